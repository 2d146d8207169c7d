#include "controlspec.h"

#include <cstring>

namespace velumo {

namespace {

using enum ControlKind;
using enum InputFilter;

// Page sets of the main window.
constexpr const char* kSettingsPages = "PageControl2";
constexpr const char* kDispatcherPages = "PageControl3";
constexpr const char* kFtpPages = "PageControl4";
constexpr const char* kTickerTextPages = "PageControl5";
constexpr const char* kInternetPages = "PageControl7";

// Pages, sub-pages joined by " > ".
constexpr const char* kPageTickerText = "Бегущая строка";
constexpr const char* kPageStart = "Настройки > Стартовые настройки";
constexpr const char* kPageStrip = "Настройки > Строка";
constexpr const char* kPageModes = "Настройки > Режиы (тарифы) строки";
constexpr const char* kPageSlides = "Настройки > Слайды, клипы, Flash, трансляция > PowerPoint";
constexpr const char* kPageClips = "Настройки > Слайды, клипы, Flash, трансляция > Видео клипы";
constexpr const char* kPageFlash = "Настройки > Слайды, клипы, Flash, трансляция > Flash анимации";
constexpr const char* kPageBroadcast = "Настройки > Слайды, клипы, Flash, трансляция > Трансляция";
constexpr const char* kPageDispatcher = "ЦУП > Диспетчер";
constexpr const char* kPagePorts = "ЦУП > Порты диспетчера";
constexpr const char* kPageReceive = "FTP > Прием";
constexpr const char* kPageTransmit = "FTP > Передача";
constexpr const char* kPageWww = "Интернет > WWW";

// Group boxes that hold several controls.
constexpr const char* kGroupFont = "Настройка шрифта и полотна строки";
constexpr const char* kGroupStripBand = "Настройка шрифта и полотна строки > Полоса бегущей строки";
constexpr const char* kGroupOutline = "Настройка шрифта и полотна строки > Обводка букв";
constexpr const char* kGroupIcons =
    "Аксессуары строки > "
    "Тематические иконки сопровождения строки  (выбор файла  при щелчке по окошку)";
constexpr const char* kGroupIconPlace =
    "Аксессуары строки > "
    "Тематические иконки сопровождения строки  (выбор файла  при щелчке по окошку) > "
    "Расположение иконки";
constexpr const char* kGroupIconSize =
    "Аксессуары строки > "
    "Тематические иконки сопровождения строки  (выбор файла  при щелчке по окошку) > "
    "Размеры";
constexpr const char* kGroupClock = "Аксессуары строки > Настройки окна часов ";
constexpr const char* kGroupLog = "Логистика";
constexpr const char* kGroupAccess = "Закрытый доступ";
constexpr const char* kGroupTestRun = "Пробный запуск";
constexpr const char* kGroupEntryClip = "Клип";
constexpr const char* kGroupEntryString = "Строка ";
constexpr const char* kGroupDispatcher = "Диспетчер";
constexpr const char* kGroupFiles = "Файлы";
constexpr const char* kGroupPortString = "Строка";
constexpr const char* kGroupPortClip = "Клип";
constexpr const char* kGroupBeep = "Характеристики бип ";
constexpr const char* kGroupWebAddresses = "Адрес для диспетчера (полный, без. http:/)";
constexpr const char* kGroupRss = "RSS-канал";
constexpr const char* kGroupWebOutput = "Режим вывода";
constexpr const char* kGroupBlockCounters = "Количество строк в блоке";
constexpr const char* kGroupHalt = "Тарифы (спец.режимы строки) > Стоп";
constexpr const char* kGroupTemporaryFont = "Тарифы (спец.режимы строки) > Изменение шрифта";
constexpr const char* kGroupPanelPosition = "Координаты > Панель управления";
constexpr const char* kGroupMainPosition = "Координаты > Главное окно";
constexpr const char* kGroupSlideWindow = "Окно показа";
constexpr const char* kGroupDirectOutput = "Режим прямого вывода";
constexpr const char* kGroupClipWindow = "Окно встроенного плеера";
constexpr const char* kGroupFlashWindow = "Окно flash";
constexpr const char* kGroupCaptureWindow = "Окно трансляции";

// Name, kind, default, minimum, maximum, filter, page set, page,
// group, caption, hint, combo items, path field.
// clang-format off
constexpr ControlSpec kControls[] = {
    // Бегущая строка
    {"SCEdit12", Text, "0", 0, 0, Digits, kTickerTextPages, kPageTickerText,
     kGroupBlockCounters, "текст", "", "", false},
    {"SCEdit14", Text, "0", 0, 0, Digits, kTickerTextPages, kPageTickerText,
     kGroupBlockCounters, "индекс", "", "", false},
    {"SCEdit15", Text, "0", 0, 0, Digits, kTickerTextPages, kPageTickerText,
     kGroupBlockCounters, "тариф", "", "", false},

    // Настройки > Стартовые настройки
    {"SCEdit5", Text, "", 0, 0, None, kSettingsPages, kPageStart,
     "", "Имя обработанного (стартового) файла с набором строк", "", "", true},
    {"SCCheckBox6", Check, "False", 0, 0, None, kSettingsPages, kPageStart,
     "", "Диспетчер включен", "Прокат по сценарию диспетчера ЦУП", "", false},
    {"SCCheckBox9", Check, "True", 0, 0, None, kSettingsPages, kPageStart,
     "", "Прозрачный фон строки ", "", "", false},
    {"SCCheckbox18", Check, "False", 0, 0, None, kSettingsPages, kPageStart,
     "", "Включить ускоритель строки", "", "", false},
    {"SCCheckbox28", Check, "False", 0, 0, None, kSettingsPages, kPageStart,
     "", "Загружать перевод",
     "При загрузке Velumo7 будет подгружаться комплект надписей из файла в текущей папке", "",
     false},
    {"SCCheckbox30", Check, "False", 0, 0, None, kSettingsPages, kPageStart,
     "", "Включить контроль", "", "", false},
    {"SpinEdit4", Spin, "10", 5, 100, None, kSettingsPages, kPageStart,
     "", "каждые", "", "", false},
    {"SCCheckbox29", Check, "False", 0, 0, None, kSettingsPages, kPageStart,
     "", "Перезагрузка блока строки", "", "", false},
    {"SCEdit104", Text, "слово доступа", 0, 0, None, kSettingsPages, kPageStart,
     "", "Пароль администратора", "", "", false},
    {"SCCheckBoxpc1", Check, "False", 0, 0, None, kSettingsPages, kPageStart,
     kGroupAccess, "Настройки", "", "", false},
    {"SCCheckBoxpc2", Check, "False", 0, 0, None, kSettingsPages, kPageStart,
     kGroupAccess, "ЦУП", "", "", false},
    {"SCCheckBoxpc3", Check, "False", 0, 0, None, kSettingsPages, kPageStart,
     kGroupAccess, "FTP", "", "", false},
    {"SCCheckBoxpc5", Check, "False", 0, 0, None, kSettingsPages, kPageStart,
     kGroupAccess, "Интернет", "", "", false},

    // Настройки > Строка: font and strip band
    {"SCEdit11", Text, "", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupFont, "Предыдущая дата сохранения", "", "", false},
    {"SCEdit43", Text, "400", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupStripBand, "Сверху", "", "", false},
    {"SCEdit45", Text, "600", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupStripBand, "Слева", "", "", false},
    {"SCEdit77", Text, "400", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupStripBand, "Ширина", "", "", false},
    {"SpinEdit1", Spin, "2", 0, 100000, None, kSettingsPages, kPageStrip,
     kGroupFont, "Замедление", "", "", false},
    {"SpinEdit2", Spin, "1", 0, 100000, None, kSettingsPages, kPageStrip,
     kGroupFont, "Шаг", "", "", false},
    {"SCEdit18", Text, "32", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupFont, "Размер", "", "", false},
    {"SCEdit6", Text, "Verdana", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupFont, "Шрифт", "", "", false},
    {"SCEdit21", Text, "65535", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupFont, "Цвет шрифта", "", "", false},
    {"SCEdit48", Text, "0", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupFont, "Стиль", "", "", false},
    {"SCEdit87", Text, "[fsNormal]", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupFont, "Начертание", "[fsNormal]", "", true},
    {"SpinEdit14", Spin, "2", -100000, 100000, None, kSettingsPages, kPageStrip,
     kGroupFont, "Шаг шрифта", "", "", false},
    {"SCEdit47", Text, "Пример", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupFont, "Пример начертания", "", "", false},
    {"SCEdit13", Text, "84214", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupFont, "Цвет фона", "", "", false},
    {"SpinEdit13", Spin, "5", 0, 10, None, kSettingsPages, kPageStrip,
     kGroupOutline, "Толщина", "", "", false},
    {"SCEdit19", Text, "0", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupOutline, "цвет", "", "", false},

    // Настройки > Строка: thematic icons and clock
    {"SCEdit22", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "0", "", "", true},
    {"SCEdit23", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "1", "", "", true},
    {"SCEdit24", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "2", "", "", true},
    {"SCEdit25", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "3", "", "", true},
    {"SCEdit26", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "4", "", "", true},
    {"SCEdit31", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "5", "", "", true},
    {"SCEdit32", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "6", "", "", true},
    {"SCEdit33", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "7", "", "", true},
    {"SCEdit34", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "8", "", "", true},
    {"SCEdit35", Text, " ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupIcons, "9", "", "", true},
    {"SCEdit27", Text, "2000", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupIconPlace, "От верха", "", "", false},
    {"SCEdit28", Text, "20", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupIconPlace, "От левой кромки строки", "", "", false},
    {"SCEdit29", Text, "64", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupIconSize, "Высота", "", "", false},
    {"SCEdit30", Text, "64", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupIconSize, "Ширина", "", "", false},
    {"SCEdit16", Text, "20", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupClock, "От верхней кромки", "", "", false},
    {"SCEdit17", Text, "10", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupClock, "От левой кромки строки", "", "", false},
    {"SCEdit40", Text, "4", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupClock, "Высота шрифта часов  меньше высоты строки на :", "", "", false},
    {"SCEdit41", Text, "Velumo ", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupClock, "Текст рядом с часами", "", "", false},
    {"SCEdit80", Text, "28", 0, 0, Digits, kSettingsPages, kPageStrip,
     kGroupClock, "фактически", "", "", false},
    {"SCCheckbox7", Check, "True", 0, 0, None, kSettingsPages, kPageStrip,
     kGroupClock, "Видимость часов", "", "", false},

    // Настройки > Режиы (тарифы) строки
    {"SCEdit37", Text, "", 0, 0, None, kSettingsPages, kPageModes,
     "", "Примечание", "", "", false},
    {"SCEdit88", Text, "", 0, 0, None, kSettingsPages, kPageModes,
     kGroupLog, "Имя файла протокола проката строки", "Задается автоматически", "", true},
    {"SpinEdit43", Spin, "5", 5, 120, None, kSettingsPages, kPageModes,
     kGroupLog, "Каждые", "", "", false},
    {"SCCheckbox21", Check, "False", 0, 0, None, kSettingsPages, kPageModes,
     kGroupLog, "Отобразить текущий протокол", "", "", false},
    {"SCCheckbox22", Check, "False", 0, 0, None, kSettingsPages, kPageModes,
     kGroupLog, "Записывать протокол в файл", "", "", false},
    {"SCEdit103", Text, "", 0, 0, None, kSettingsPages, kPageModes,
     kGroupLog, "Папка для файла протокола", "", "", true},
    {"SCEdit3", Text, "500", 0, 0, Digits, kSettingsPages, kPageModes,
     kGroupHalt, "Задержка милисек", "", "", false},
    {"SCEdit79", Text, "]", 0, 0, None, kSettingsPages, kPageModes,
     kGroupHalt, "Символ-флаг", "", "", false},
    {"SpinEdit16", Spin, "2", 0, 4000, None, kSettingsPages, kPageModes,
     kGroupHalt, "Смещение от левого края", "Значение ограничено длиной поля строки", "", false},
    {"SCEdit81", Text, "1000", 0, 0, Digits, kSettingsPages, kPageModes,
     "Тарифы (спец.режимы строки) > Изменение цвета", "Временный цвет", "", "", false},
    {"SpinEdit15", Spin, "3", 0, 100000, None, kSettingsPages, kPageModes,
     "Тарифы (спец.режимы строки) > Временное замедление ", "Замедление", "", "", false},
    {"SCEdit82", Text, "Arial", 0, 0, None, kSettingsPages, kPageModes,
     kGroupTemporaryFont, "Временный шрифт", "", "", false},
    {"SCEdit85", Text, "30", 0, 0, Digits, kSettingsPages, kPageModes,
     kGroupTemporaryFont, "Размер шрифта", "", "", false},
    {"SCEdit97", Text, "0", 0, 0, Digits, kSettingsPages, kPageModes,
     kGroupPanelPosition, "По вертикали", "", "", false},
    {"SCEdit98", Text, "0", 0, 0, Digits, kSettingsPages, kPageModes,
     kGroupPanelPosition, "По горизонтали", "", "", false},
    {"SCEdit94", Text, "0", 0, 0, Digits, kSettingsPages, kPageModes,
     kGroupMainPosition, "По вертикали", "", "", false},
    {"SCEdit96", Text, "0", 0, 0, Digits, kSettingsPages, kPageModes,
     kGroupMainPosition, "По горизонтали", "", "", false},

    // Настройки > Слайды, клипы, Flash, трансляция > PowerPoint
    {"SCEdit1", Text, "primer.ppt", 0, 0, None, kSettingsPages, kPageSlides,
     kGroupTestRun, "Файл презентации", "", "", true},
    {"SpinEdit26", Spin, "0", 0, 100000, None, kSettingsPages, kPageSlides,
     kGroupSlideWindow, "Слева", "", "", false},
    {"SpinEdit27", Spin, "300", 0, 100000, None, kSettingsPages, kPageSlides,
     kGroupSlideWindow, "Ширина", "", "", false},
    {"SpinEdit28", Spin, "0", 0, 100000, None, kSettingsPages, kPageSlides,
     kGroupSlideWindow, "Сверху", "", "", false},
    {"SpinEdit29", Spin, "400", 0, 100000, None, kSettingsPages, kPageSlides,
     kGroupSlideWindow, "Высота", "", "", false},
    {"SCCheckbox27", Check, "False", 0, 0, None, kSettingsPages, kPageSlides,
     kGroupDirectOutput, "Включено", "", "", false},
    {"ComboBox1", Combo, "11.0", 0, 0, None, kSettingsPages, kPageSlides,
     kGroupDirectOutput, "Версия MsOffice", "", "11.0\n12.0\n10.0", false},

    // ... > Видео клипы
    {"SCEdit2", Text, "", 0, 0, None, kSettingsPages, kPageClips,
     kGroupTestRun, "Имя воспроизводимого файла", "", "", true},
    {"SpinEdit34", Spin, "0", 0, 2147483647, None, kSettingsPages, kPageClips,
     kGroupTestRun, "Время запуска", "", "", false},
    {"ComboBox2", Combo, "Встроенный", 0, 0, None, kSettingsPages, kPageClips,
     "", "Выбор плеера", "", "Встроенный\nBSPlayer", false},
    {"SCEdit9", Text, "", 0, 0, None, kSettingsPages, kPageClips,
     "", "Путь к внешнему плееру", "", "", true},
    {"SpinEdit19", Spin, "0", 0, 100000, None, kSettingsPages, kPageClips,
     kGroupClipWindow, "Слева", "", "", false},
    {"SpinEdit20", Spin, "300", 0, 100000, None, kSettingsPages, kPageClips,
     kGroupClipWindow, "Ширина", "", "", false},
    {"SpinEdit21", Spin, "0", 0, 100000, None, kSettingsPages, kPageClips,
     kGroupClipWindow, "Сверху", "", "", false},
    {"SpinEdit22", Spin, "400", 0, 100000, None, kSettingsPages, kPageClips,
     kGroupClipWindow, "Высота", "", "", false},
    {"ComboBox4", Combo, "окна в памяти", 0, 0, None, kSettingsPages, kPageClips,
     "", "Список программных окон в памяти (для справки)", "", "окна в памяти", false},
    {"ComboBox5", Combo, "gmCapture", 0, 0, None, kSettingsPages, kPageClips,
     "", "Режим", "", "gmCapture\ngmDVD\ngmNormal", false},

    // ... > Flash анимации
    {"SCEdit99", Text, "", 0, 0, None, kSettingsPages, kPageFlash,
     "", "Flash - ролик", "", "", true},
    {"SpinEdit45", Spin, "0", 0, 100000, None, kSettingsPages, kPageFlash,
     kGroupFlashWindow, "Слева", "", "", false},
    {"SpinEdit46", Spin, "300", 0, 100000, None, kSettingsPages, kPageFlash,
     kGroupFlashWindow, "Ширина", "", "", false},
    {"SpinEdit47", Spin, "0", 0, 100000, None, kSettingsPages, kPageFlash,
     kGroupFlashWindow, "Сверху", "", "", false},
    {"SpinEdit48", Spin, "400", 0, 100000, None, kSettingsPages, kPageFlash,
     kGroupFlashWindow, "Высота", "", "", false},

    // ... > Трансляция
    {"ComboBox3", Combo, "Карта с видео-входом", 0, 0, None, kSettingsPages, kPageBroadcast,
     "", "Выбор карты видеозахвата", "", "Карта с видео-входом", false},
    {"SCEdit100", Text, "", 0, 0, None, kSettingsPages, kPageBroadcast,
     "", "Устройство видео захвата", "", "", true},
    {"SCCheckbox25", Check, "False", 0, 0, None, kSettingsPages, kPageBroadcast,
     "", "Отключать звуковой выход", "Отключение звука при трансляции", "", false},
    {"SpinEdit53", Spin, "0", 0, 100000, None, kSettingsPages, kPageBroadcast,
     kGroupCaptureWindow, "Слева", "", "", false},
    {"SpinEdit54", Spin, "300", 0, 100000, None, kSettingsPages, kPageBroadcast,
     kGroupCaptureWindow, "Ширина", "", "", false},
    {"SpinEdit55", Spin, "0", 0, 100000, None, kSettingsPages, kPageBroadcast,
     kGroupCaptureWindow, "Сверху", "", "", false},
    {"SpinEdit56", Spin, "400", 0, 100000, None, kSettingsPages, kPageBroadcast,
     kGroupCaptureWindow, "Высота", "", "", false},

    // ЦУП > Диспетчер
    {"SCEditn1", Text, "", 0, 0, Digits, kDispatcherPages, kPageDispatcher,
     kGroupEntryClip, "Номер окна  файла ", "", "", false},
    {"SCEditn2", Text, "", 0, 0, Digits, kDispatcherPages, kPageDispatcher,
     kGroupEntryClip, "Продолжительность ", "", "", false},
    {"SCEditn3", Text, "", 0, 0, TimeBlank, kDispatcherPages, kPageDispatcher,
     kGroupEntryClip, "Время стопа ", "", "", false},
    {"SCEditn8", Text, "", 0, 0, TimeBlank, kDispatcherPages, kPageDispatcher,
     kGroupEntryClip, "Текущий старт", "", "", false},
    {"SCEditn4", Text, "", 0, 0, Digits, kDispatcherPages, kPageDispatcher,
     kGroupEntryString, "Номер файла строки", "", "", false},
    {"SCEditn5", Text, "", 0, 0, Digits, kDispatcherPages, kPageDispatcher,
     kGroupEntryString, "Продолжительность", "", "", false},
    {"SCEditn6", Text, "", 0, 0, TimeBlank, kDispatcherPages, kPageDispatcher,
     kGroupEntryString, "Время стопа строки", "", "", false},
    {"SCEditn9", Text, "", 0, 0, TimeBlank, kDispatcherPages, kPageDispatcher,
     kGroupEntryString, "Текущий старт", "", "", false},
    {"SCCheckBox14", Check, "False", 0, 0, None, kDispatcherPages, kPageDispatcher,
     "", "Выключить ПК", "", "", false},
    {"SCEdit78", Text, "02:45:00", 0, 0, Time, kDispatcherPages, kPageDispatcher,
     "", "Время выключения", "", "", false},
    {"SCEditn7", Text, "", 0, 0, Time, kDispatcherPages, kPageDispatcher,
     "", "Текущее время", "", "", false},
    {"SCCheckBox23", Check, "False", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupDispatcher, "Автообновление расписания", "", "", false},
    {"SCEdit10", Text, "24.02.10 16:30:30|s1|00|24.02.10 16:30:30", 0, 0, None,
     kDispatcherPages, kPageDispatcher,
     kGroupDispatcher, "Следующий старт", "", "", false},
    {"SCEdit101", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupDispatcher, "Тип следующего старта", "", "", false},
    {"SCCheckbox19", Check, "False", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupDispatcher, "Загрузка план-файла",
     "Спрашивать об обновлении файла сценария при перезагрузке", "", false},
    {"SpinEdit5", Spin, "2", 0, 100000, None, kDispatcherPages, kPageDispatcher,
     kGroupDispatcher, "Период ожидания",
     "Проверка автообновляемого расписания на наличие в нем подходящей записи", "", false},
    {"SCEdit49", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 1", "", "", true},
    {"SCEdit50", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 2", "", "", true},
    {"SCEdit51", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 3", "", "", true},
    {"SCEdit52", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 4", "", "", true},
    {"SCEdit53", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 5", "", "", true},
    {"SCEdit54", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 6", "", "", true},
    {"SCEdit55", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 7", "", "", true},
    {"SCEdit56", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 8", "", "", true},
    {"SCEdit57", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 9", "", "", true},
    {"SCEdit58", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Клип 0", "", "", true},
    {"SCEdit59", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 1", "", "", true},
    {"SCEdit60", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 2", "", "", true},
    {"SCEdit61", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 3", "", "", true},
    {"SCEdit62", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 4", "", "", true},
    {"SCEdit63", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 5", "", "", true},
    {"SCEdit64", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 6", "", "", true},
    {"SCEdit65", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 7", "", "", true},
    {"SCEdit66", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 8", "", "", true},
    {"SCEdit67", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 9", "", "", true},
    {"SCEdit68", Text, "", 0, 0, None, kDispatcherPages, kPageDispatcher,
     kGroupFiles, "Файл строки (s) 0", "", "", true},
    {"SCEditn10", Text, "Файл диспетчера (план-файл)", 0, 0, None,
     kDispatcherPages, kPageDispatcher,
     "Файл текущего расписания", "План-файл", "Файл диспетчера (план-файл)", "", true},

    // ЦУП > Порты диспетчера
    {"SCCheckBox4", Check, "False", 0, 0, None, kDispatcherPages, kPagePorts,
     kGroupPortString, "Бип старт включен", "", "", false},
    {"SCCheckBox5", Check, "False", 0, 0, None, kDispatcherPages, kPagePorts,
     kGroupPortString, "Бип стоп включен", "", "", false},
    {"SCCheckBox2", Check, "False", 0, 0, None, kDispatcherPages, kPagePorts,
     kGroupPortString, "Включить управление LPT1", "", "", false},
    {"SpinEdit9", Spin, "2", 2, 9, None, kDispatcherPages, kPagePorts,
     kGroupPortString, "Пин LPT1", "", "", false},
    {"SCCheckBox1", Check, "False", 0, 0, None, kDispatcherPages, kPagePorts,
     kGroupPortClip, "Бип старт включен", "", "", false},
    {"SCCheckBox3", Check, "False", 0, 0, None, kDispatcherPages, kPagePorts,
     kGroupPortClip, "Бип стоп включен", "", "", false},
    {"SCCheckBox8", Check, "False", 0, 0, None, kDispatcherPages, kPagePorts,
     kGroupPortClip, "Включить управление LPT1", "", "", false},
    {"SpinEdit10", Spin, "9", 2, 9, None, kDispatcherPages, kPagePorts,
     kGroupPortClip, "Пин LPT1", "", "", false},
    {"SCEdit69", Text, "100", 0, 0, Digits, kDispatcherPages, kPagePorts,
     kGroupBeep, "Строка старт", "", "", false},
    {"SCEdit70", Text, "200", 0, 0, Digits, kDispatcherPages, kPagePorts,
     kGroupBeep, "Строка стоп", "", "", false},
    {"SCEdit71", Text, "300", 0, 0, Digits, kDispatcherPages, kPagePorts,
     kGroupBeep, "Клип старт", "", "", false},
    {"SCEdit72", Text, "400", 0, 0, Digits, kDispatcherPages, kPagePorts,
     kGroupBeep, "Клип стоп", "", "", false},
    {"SCEdit73", Text, "200", 0, 0, Digits, kDispatcherPages, kPagePorts,
     kGroupBeep, "Длительность", "", "", false},
    {"SCEdit7", Text, "300", 0, 0, Digits, kDispatcherPages, kPagePorts,
     kGroupBeep, "Слайд старт", "", "", false},
    {"SCEdit42", Text, "400", 0, 0, Digits, kDispatcherPages, kPagePorts,
     kGroupBeep, "Слайд стоп", "", "", false},
    {"SCCheckBox26", Check, "False", 0, 0, None, kDispatcherPages, kPagePorts,
     "", "Разрешить  управление LPT1 ", "", "", false},

    // FTP > Прием
    {"SCEdit4", Text, "ftp.example.org", 0, 0, None, kFtpPages, kPageReceive,
     "", "ftp адрес", "", "", true},
    {"SCEdit8", Text, "21", 0, 0, Digits, kFtpPages, kPageReceive,
     "", "порт", "", "", false},
    {"SCEdit75", Text, "user", 0, 0, None, kFtpPages, kPageReceive,
     "", "Логин", "", "", false},
    {"SCEdit76", Text, "password", 0, 0, None, kFtpPages, kPageReceive,
     "", "Пароль", "", "", false},
    {"SCEdit86", Text, "", 0, 0, None, kFtpPages, kPageReceive,
     "Подключение (не постоянное) для скачивания", "Выбранное", "", "", true},
    {"SCEdit83", Text, "MyDirFTP1", 0, 0, None, kFtpPages, kPageReceive,
     "", "Полный путь к директории на ресурсе \"от корня\"", "Например /usr/my", "", true},
    {"SCEdit84", Text, "MyLocDirFTP1", 0, 0, None, kFtpPages, kPageReceive,
     "", "Путь к локальной папке", "", "", true},
    {"SpinEdit35", Spin, "5", 5, 2880, None, kFtpPages, kPageReceive,
     "", "Интервал в минутах", "", "", false},
    {"SCCheckbox12", Check, "False", 0, 0, None, kFtpPages, kPageReceive,
     "", "Постоянное сетевое подключение", "", "", false},
    {"SCCheckbox15", Check, "False", 0, 0, None, kFtpPages, kPageReceive,
     "", "Автоматическое скачивание", "", "", false},
    {"SpinEdit41", Spin, "3", 3, 2880, None, kFtpPages, kPageReceive,
     "", "Время соединения", "", "", false},

    // FTP > Передача
    {"SCEdit89", Text, "ftp.example.org", 0, 0, None, kFtpPages, kPageTransmit,
     "", "ftp адрес", "", "", true},
    {"SCEdit90", Text, "21", 0, 0, Digits, kFtpPages, kPageTransmit,
     "", "порт", "", "", false},
    {"SCEdit91", Text, "user", 0, 0, None, kFtpPages, kPageTransmit,
     "", "Логин", "", "", false},
    {"SCEdit92", Text, "password", 0, 0, None, kFtpPages, kPageTransmit,
     "", "Пароль", "", "", false},
    {"SCEdit95", Text, "", 0, 0, None, kFtpPages, kPageTransmit,
     "Подключение (не постоянное) для закачки ", "Выбранное", "", "", true},
    {"SCEdit93", Text, "MyDirFTP2", 0, 0, None, kFtpPages, kPageTransmit,
     "", "Полный путь к директории на ресурсе \"от корня\"", "", "", true},
    {"SpinEdit38", Spin, "5", 5, 2880, None, kFtpPages, kPageTransmit,
     "", "Интервал в минутах", "", "", false},
    {"SCCheckbox16", Check, "False", 0, 0, None, kFtpPages, kPageTransmit,
     "", "Постоянное сетевое подключение", "", "", false},
    {"SCCheckbox17", Check, "False", 0, 0, None, kFtpPages, kPageTransmit,
     "", "Автоматическое закачивание", "", "", false},
    {"SCCheckbox20", Check, "False", 0, 0, None, kFtpPages, kPageTransmit,
     "", "Текущую строку в виде файла run_string.htm", "", "", false},
    {"SpinEdit42", Spin, "3", 3, 2880, None, kFtpPages, kPageTransmit,
     "", "Время соединения", "", "", false},

    // Интернет > WWW
    {"SCEdit36", Text, "www.example.org", 0, 0, None, kInternetPages, kPageWww,
     "", "Адрес сайта (без http:// )", "", "", true},
    {"SpinEdit37", Spin, "5", 5, 2880, None, kInternetPages, kPageWww,
     "", "минут", "", "", false},
    {"SCCheckBox10", Check, "False", 0, 0, None, kInternetPages, kPageWww,
     "", "Автообновление каждые", "", "", false},
    {"SCEdit1w1", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 1", "", "", true},
    {"SCEdit1w2", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 2", "", "", true},
    {"SCEdit1w3", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 3", "", "", true},
    {"SCEdit1w4", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 4", "", "", true},
    {"SCEdit1w5", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 5", "", "", true},
    {"SCEdit1w6", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 6", "", "", true},
    {"SCEdit1w7", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 7", "", "", true},
    {"SCEdit1w8", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 8", "", "", true},
    {"SCEdit1w9", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 9", "", "", true},
    {"SCEdit1w0", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Сегодня 0", "", "", true},
    {"SCEdit2w1", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 1", "", "", true},
    {"SCEdit2w2", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 2", "", "", true},
    {"SCEdit2w3", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 3", "", "", true},
    {"SCEdit2w4", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 4", "", "", true},
    {"SCEdit2w5", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 5", "", "", true},
    {"SCEdit2w6", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 6", "", "", true},
    {"SCEdit2w7", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 7", "", "", true},
    {"SCEdit2w8", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 8", "", "", true},
    {"SCEdit2w9", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 9", "", "", true},
    {"SCEdit2w0", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Завтра 0", "", "", true},
    {"SpinEdit40", Spin, "1", 0, 9, None, kInternetPages, kPageWww,
     kGroupWebAddresses, "Номер окна", "Номер окна (сегодня)", "", false},
    {"SCEdit20", Text, "", 0, 0, None, kInternetPages, kPageWww,
     kGroupRss, "Адрес RSS-канала", "", "", true},
    {"SCCheckbox24", Check, "False", 0, 0, None, kInternetPages, kPageWww,
     kGroupRss, "Разрешить автозапуск RSS при загрузке Velumo7", "", "", false},
    {"SCCheckbox13", Check, "False", 0, 0, None, kInternetPages, kPageWww,
     kGroupRss, "Автообновление каждые", "", "", false},
    {"SpinEdit3", Spin, "5", 5, 2880, None, kInternetPages, kPageWww,
     kGroupRss, "минут", "", "", false},
    {"SpinEdit39", Spin, "0", 0, 100000, None, kInternetPages, kPageWww,
     kGroupWebOutput, "Режим", "", "", false},
    {"SCEdit38", Text, "0", 0, 0, Digits, kInternetPages, kPageWww,
     kGroupWebOutput, "От верхней кромки экрана TV", "", "", false},
    {"SCEdit39", Text, "600", 0, 0, Digits, kInternetPages, kPageWww,
     kGroupWebOutput, "От левой кромки экрана", "", "", false},
    {"SCEdit44", Text, "800", 0, 0, Digits, kInternetPages, kPageWww,
     kGroupWebOutput, "Ширина", "", "", false},
    {"SCEdit46", Text, "600", 0, 0, Digits, kInternetPages, kPageWww,
     kGroupWebOutput, "Высота", "", "", false},
    {"SCCheckbox11", Check, "False", 0, 0, None, kInternetPages, kPageWww,
     kGroupWebOutput, "Вкл. титрование ", "", "", false},
    {"SpinEdit12", Spin, "1", 0, 10, None, kInternetPages, kPageWww,
     kGroupWebOutput, "Замедление", "", "", false},
    {"SpinEdit36", Spin, "2", 0, 100000, None, kInternetPages, kPageWww,
     kGroupWebOutput, "шаг", "", "", false},
    {"SCEdit74", Text, "800", 0, 0, TimeBlank, kInternetPages, kPageWww,
     kGroupWebOutput, "Высота перемещаемого окна ", "", "", false},

    // Outside the pages: administrator password entry
    {"SCEdit102", Text, "", 0, 0, None, "", "",
     "", "Пароль", "", "", false},
};
// clang-format on

}  // namespace

std::span<const ControlSpec> controlSchema()
{
    return kControls;
}

const ControlSpec* findControl(const char* name)
{
    if (!name)
        return nullptr;
    for (const ControlSpec& entry : kControls) {
        if (std::strcmp(entry.name, name) == 0)
            return &entry;
    }
    return nullptr;
}

}  // namespace velumo
