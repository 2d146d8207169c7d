#include "controlspec.h"

#include "controlorder.h"
#include "pageschema.h"
#include "settingskeys.h"

#include <cstring>
#include <iterator>
#include <string_view>

namespace velumo {

namespace {

using enum ControlKind;
using enum InputFilter;
using enum FieldStyle;

// Page sets of the main window.
constexpr const char* kSettingsPages = "PageControl2";
constexpr const char* kDispatcherPages = "PageControl3";
constexpr const char* kFtpPages = "PageControl4";
constexpr const char* kTickerTextPages = "PageControl5";
constexpr const char* kInternetPages = "PageControl7";

// What the numbers mean: delays and lengths in milliseconds, places and sizes on the screen in
// pixels, font sizes in points, tones in hertz, timer periods in seconds or minutes.
constexpr char kMs[] = "мс";
constexpr char kPx[] = "пикс.";
constexpr char kHz[] = "Гц";
constexpr char kSeconds[] = "с";
constexpr char kMinutes[] = "мин";
constexpr char kPoints[] = "пт";

// Name, kind, default, minimum, maximum, filter, page set, page,
// group, caption, hint, combo items, path field[, unit[, style[, width]]].
// clang-format off
constexpr ControlSpec kControls[] = {
    // Бегущая строка
    {"SCEdit12", Text, "0", 0, 0, Digits, kTickerTextPages, pageid::TickerText,
     groupid::BlockCounters, "текст", "", "", false},
    {"SCEdit14", Text, "0", 0, 0, Digits, kTickerTextPages, pageid::TickerText,
     groupid::BlockCounters, "индекс", "", "", false},
    {"SCEdit15", Text, "0", 0, 0, Digits, kTickerTextPages, pageid::TickerText,
     groupid::BlockCounters, "тариф", "", "", false},

    // Настройки > Стартовые настройки
    {"SCEdit5", Text, "", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Start, "Имя обработанного (стартового) файла с набором строк", "", "", true},
    {"SCCheckBox6", Check, "False", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Start, "Диспетчер включен", "Прокат по сценарию диспетчера ЦУП", "", false},
    {"SCCheckBox9", Check, "True", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Start, "Прозрачный фон строки ", "", "", false},
    {"SCCheckbox18", Check, "False", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Start, "Включить ускоритель строки", "", "", false},
    {"SCCheckbox28", Check, "False", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Start, "Загружать перевод", "При загрузке Velumo7 будет подгружаться комплект надписей из файла в текущей папке", "", false},
    {"SCCheckbox30", Check, "False", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Start, "Включить контроль", "", "", false},
    {"SpinEdit4", Spin, "10", 5, 100, None, kSettingsPages, pageid::Start,
     groupid::Start, "каждые", "", "", false, kSeconds},
    {"SCCheckbox29", Check, "False", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Start, "Перезагрузка блока строки", "", "", false},
    {"SCEdit104", Text, "слово доступа", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Start, "Пароль администратора", "", "", false, "", Secret},
    {"SCCheckBoxpc1", Check, "False", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Access, "Настройки", "", "", false},
    {"SCCheckBoxpc2", Check, "False", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Access, "ЦУП", "", "", false},
    {"SCCheckBoxpc3", Check, "False", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Access, "FTP", "", "", false},
    {"SCCheckBoxpc5", Check, "False", 0, 0, None, kSettingsPages, pageid::Start,
     groupid::Access, "Интернет", "", "", false},

    // Настройки > Строка: font and strip band
    {"SCEdit11", Text, "", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Font, "Предыдущая дата сохранения", "", "", false, "", Plain, 10},
    {"SCEdit43", Text, "400", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::StripBand, "Сверху", "", "", false, kPx},
    {"SCEdit45", Text, "600", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::StripBand, "Слева", "", "", false, kPx},
    {"SCEdit77", Text, "400", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::StripBand, "Ширина", "", "", false, kPx},
    {"SpinEdit1", Spin, "2", 0, 100000, None, kSettingsPages, pageid::Strip,
     groupid::Font, "Замедление", "", "", false, kMs},
    {"SpinEdit2", Spin, "1", 0, 100000, None, kSettingsPages, pageid::Strip,
     groupid::Font, "Шаг", "", "", false, kPx},
    {"SCEdit18", Text, "32", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::Font, "Размер", "", "", false, kPoints},
    {"SCEdit6", Text, "Verdana", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Font, "Шрифт", "", "", false},
    {"SCEdit21", Text, "65535", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::Font, "Цвет шрифта", "", "", false, "", Colour},
    {"SCEdit48", Text, "0", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::Font, "Стиль", "", "", false},
    {"SCEdit87", Text, "[fsNormal]", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Font, "Начертание", "[fsNormal]", "", true},
    {"SpinEdit14", Spin, "2", -100000, 100000, None, kSettingsPages, pageid::Strip,
     groupid::Font, "Шаг шрифта", "", "", false, kPx},
    {"SCEdit47", Text, "Пример", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Font, "Пример начертания", "", "", false, "", Plain, 0},
    {"SCEdit13", Text, "84214", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::Font, "Цвет фона", "", "", false, "", Colour},
    {"SpinEdit13", Spin, "5", 0, 10, None, kSettingsPages, pageid::Strip,
     groupid::Outline, "Толщина", "", "", false, kPx},
    {"SCEdit19", Text, "0", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::Outline, "цвет", "", "", false, "", Colour},

    // Настройки > Строка: thematic icons and clock
    {"SCEdit22", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "0", "", "", true},
    {"SCEdit23", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "1", "", "", true},
    {"SCEdit24", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "2", "", "", true},
    {"SCEdit25", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "3", "", "", true},
    {"SCEdit26", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "4", "", "", true},
    {"SCEdit31", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "5", "", "", true},
    {"SCEdit32", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "6", "", "", true},
    {"SCEdit33", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "7", "", "", true},
    {"SCEdit34", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "8", "", "", true},
    {"SCEdit35", Text, " ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Icons, "9", "", "", true},
    {"SCEdit27", Text, "2000", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::IconPlace, "От верха", "", "", false, kPx},
    {"SCEdit28", Text, "20", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::IconPlace, "От левой кромки строки", "", "", false, kPx},
    {"SCEdit29", Text, "64", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::IconSize, "Высота", "", "", false, kPx},
    {"SCEdit30", Text, "64", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::IconSize, "Ширина", "", "", false, kPx},
    {"SCEdit16", Text, "20", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::Clock, "От верхней кромки", "", "", false, kPx},
    {"SCEdit17", Text, "10", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::Clock, "От левой кромки строки", "", "", false, kPx},
    {"SCEdit40", Text, "4", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::Clock, "Высота шрифта часов  меньше высоты строки на :", "", "", false, kPoints},
    {"SCEdit41", Text, "Velumo ", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Clock, "Текст рядом с часами", "", "", false},
    {"SCEdit80", Text, "28", 0, 0, Digits, kSettingsPages, pageid::Strip,
     groupid::Clock, "фактически", "", "", false, kPoints},
    {"SCCheckbox7", Check, "True", 0, 0, None, kSettingsPages, pageid::Strip,
     groupid::Clock, "Видимость часов", "", "", false},

    // Настройки > Режиы (тарифы) строки
    {"SCEdit37", Text, "", 0, 0, None, kSettingsPages, pageid::Modes,
     groupid::Modes, "Примечание", "", "", false, "", Plain, 0},
    {"SCEdit88", Text, "", 0, 0, None, kSettingsPages, pageid::Modes,
     groupid::Log, "Имя файла протокола проката строки", "Задается автоматически", "", true},
    {"SpinEdit43", Spin, "5", 5, 120, None, kSettingsPages, pageid::Modes,
     groupid::Log, "Каждые", "", "", false, kMinutes},
    {"SCCheckbox21", Check, "False", 0, 0, None, kSettingsPages, pageid::Modes,
     groupid::Log, "Отобразить текущий протокол", "", "", false},
    {"SCCheckbox22", Check, "False", 0, 0, None, kSettingsPages, pageid::Modes,
     groupid::Log, "Записывать протокол в файл", "", "", false},
    {"SCEdit103", Text, "", 0, 0, None, kSettingsPages, pageid::Modes,
     groupid::Log, "Папка для файла протокола", "", "", true},
    {"SCEdit3", Text, "500", 0, 0, Digits, kSettingsPages, pageid::Modes,
     groupid::Halt, "Задержка милисек", "", "", false, kMs},
    {"SCEdit79", Text, "]", 0, 0, None, kSettingsPages, pageid::Modes,
     groupid::Halt, "Символ-флаг", "", "", false, "", Plain, 3},
    {"SpinEdit16", Spin, "2", 0, 4000, None, kSettingsPages, pageid::Modes,
     groupid::Halt, "Смещение от левого края", "Значение ограничено длиной поля строки", "", false, kPx},
    {"SCEdit81", Text, "1000", 0, 0, Digits, kSettingsPages, pageid::Modes,
     groupid::ColourChange, "Временный цвет", "", "", false, "", Colour},
    {"SpinEdit15", Spin, "3", 0, 100000, None, kSettingsPages, pageid::Modes,
     groupid::Slowdown, "Замедление", "", "", false, kMs},
    {"SCEdit82", Text, "Arial", 0, 0, None, kSettingsPages, pageid::Modes,
     groupid::TemporaryFont, "Временный шрифт", "", "", false, "", Plain, 0},
    {"SCEdit85", Text, "30", 0, 0, Digits, kSettingsPages, pageid::Modes,
     groupid::TemporaryFont, "Размер шрифта", "", "", false, kPoints},
    {"SCEdit97", Text, "0", 0, 0, Digits, kSettingsPages, pageid::Modes,
     groupid::PanelPosition, "По вертикали", "", "", false, kPx},
    {"SCEdit98", Text, "0", 0, 0, Digits, kSettingsPages, pageid::Modes,
     groupid::PanelPosition, "По горизонтали", "", "", false, kPx},
    {"SCEdit94", Text, "0", 0, 0, Digits, kSettingsPages, pageid::Modes,
     groupid::MainPosition, "По вертикали", "", "", false, kPx},
    {"SCEdit96", Text, "0", 0, 0, Digits, kSettingsPages, pageid::Modes,
     groupid::MainPosition, "По горизонтали", "", "", false, kPx},

    // Настройки > Слайды, клипы, Flash, трансляция > PowerPoint
    {"SCEdit1", Text, "primer.ppt", 0, 0, None, kSettingsPages, pageid::Slides,
     groupid::SlidesTestRun, "Файл презентации", "", "", true},
    {"SpinEdit26", Spin, "0", 0, 100000, None, kSettingsPages, pageid::Slides,
     groupid::SlideWindow, "Слева", "", "", false, kPx},
    {"SpinEdit27", Spin, "300", 0, 100000, None, kSettingsPages, pageid::Slides,
     groupid::SlideWindow, "Ширина", "", "", false, kPx},
    {"SpinEdit28", Spin, "0", 0, 100000, None, kSettingsPages, pageid::Slides,
     groupid::SlideWindow, "Сверху", "", "", false, kPx},
    {"SpinEdit29", Spin, "400", 0, 100000, None, kSettingsPages, pageid::Slides,
     groupid::SlideWindow, "Высота", "", "", false, kPx},
    {"SCCheckbox27", Check, "False", 0, 0, None, kSettingsPages, pageid::Slides,
     groupid::DirectOutput, "Включено", "", "", false},
    {"ComboBox1", Combo, "11.0", 0, 0, None, kSettingsPages, pageid::Slides,
     groupid::DirectOutput, "Версия MsOffice", "", "11.0\n12.0\n10.0", false},

    // ... > Видео клипы
    {"SCEdit2", Text, "", 0, 0, None, kSettingsPages, pageid::Clips,
     groupid::ClipsTestRun, "Имя воспроизводимого файла", "", "", true},
    {"SpinEdit34", Spin, "0", 0, 2147483647, None, kSettingsPages, pageid::Clips,
     groupid::ClipsTestRun, "Время запуска", "", "", false, kMs},
    {"ComboBox2", Combo, "Встроенный", 0, 0, None, kSettingsPages, pageid::Clips,
     groupid::Clips, "Выбор плеера", "", "Встроенный\nBSPlayer", false},
    {"SCEdit9", Text, "", 0, 0, None, kSettingsPages, pageid::Clips,
     groupid::Clips, "Путь к внешнему плееру", "", "", true},
    {"SpinEdit19", Spin, "0", 0, 100000, None, kSettingsPages, pageid::Clips,
     groupid::ClipWindow, "Слева", "", "", false, kPx},
    {"SpinEdit20", Spin, "300", 0, 100000, None, kSettingsPages, pageid::Clips,
     groupid::ClipWindow, "Ширина", "", "", false, kPx},
    {"SpinEdit21", Spin, "0", 0, 100000, None, kSettingsPages, pageid::Clips,
     groupid::ClipWindow, "Сверху", "", "", false, kPx},
    {"SpinEdit22", Spin, "400", 0, 100000, None, kSettingsPages, pageid::Clips,
     groupid::ClipWindow, "Высота", "", "", false, kPx},
    {"ComboBox4", Combo, "окна в памяти", 0, 0, None, kSettingsPages, pageid::Clips,
     groupid::Clips, "Список программных окон в памяти (для справки)", "", "окна в памяти", false},
    {"ComboBox5", Combo, "gmCapture", 0, 0, None, kSettingsPages, pageid::Clips,
     groupid::Clips, "Режим", "", "gmCapture\ngmDVD\ngmNormal", false},

    // ... > Flash анимации
    {"SCEdit99", Text, "", 0, 0, None, kSettingsPages, pageid::Flash,
     groupid::Flash, "Flash - ролик", "", "", true},
    {"SpinEdit45", Spin, "0", 0, 100000, None, kSettingsPages, pageid::Flash,
     groupid::FlashWindow, "Слева", "", "", false, kPx},
    {"SpinEdit46", Spin, "300", 0, 100000, None, kSettingsPages, pageid::Flash,
     groupid::FlashWindow, "Ширина", "", "", false, kPx},
    {"SpinEdit47", Spin, "0", 0, 100000, None, kSettingsPages, pageid::Flash,
     groupid::FlashWindow, "Сверху", "", "", false, kPx},
    {"SpinEdit48", Spin, "400", 0, 100000, None, kSettingsPages, pageid::Flash,
     groupid::FlashWindow, "Высота", "", "", false, kPx},

    // ... > Трансляция
    {"ComboBox3", Combo, "Карта с видео-входом", 0, 0, None, kSettingsPages, pageid::Broadcast,
     groupid::Broadcast, "Выбор карты видеозахвата", "", "Карта с видео-входом", false},
    {"SCEdit100", Text, "", 0, 0, None, kSettingsPages, pageid::Broadcast,
     groupid::Broadcast, "Устройство видео захвата", "", "", true},
    {"SCCheckbox25", Check, "False", 0, 0, None, kSettingsPages, pageid::Broadcast,
     groupid::Broadcast, "Отключать звуковой выход", "Отключение звука при трансляции", "", false},
    {"SpinEdit53", Spin, "0", 0, 100000, None, kSettingsPages, pageid::Broadcast,
     groupid::CaptureWindow, "Слева", "", "", false, kPx},
    {"SpinEdit54", Spin, "300", 0, 100000, None, kSettingsPages, pageid::Broadcast,
     groupid::CaptureWindow, "Ширина", "", "", false, kPx},
    {"SpinEdit55", Spin, "0", 0, 100000, None, kSettingsPages, pageid::Broadcast,
     groupid::CaptureWindow, "Сверху", "", "", false, kPx},
    {"SpinEdit56", Spin, "400", 0, 100000, None, kSettingsPages, pageid::Broadcast,
     groupid::CaptureWindow, "Высота", "", "", false, kPx},

    // ЦУП > Диспетчер
    {"SCEditn1", Text, "", 0, 0, Digits, kDispatcherPages, pageid::Dispatcher,
     groupid::EntryClip, "Номер окна  файла ", "", "", false},
    {"SCEditn2", Text, "", 0, 0, Digits, kDispatcherPages, pageid::Dispatcher,
     groupid::EntryClip, "Продолжительность ", "", "", false},
    {"SCEditn3", Text, "", 0, 0, TimeBlank, kDispatcherPages, pageid::Dispatcher,
     groupid::EntryClip, "Время стопа ", "", "", false},
    {"SCEditn8", Text, "", 0, 0, TimeBlank, kDispatcherPages, pageid::Dispatcher,
     groupid::EntryClip, "Текущий старт", "", "", false},
    {"SCEditn4", Text, "", 0, 0, Digits, kDispatcherPages, pageid::Dispatcher,
     groupid::EntryString, "Номер файла строки", "", "", false},
    {"SCEditn5", Text, "", 0, 0, Digits, kDispatcherPages, pageid::Dispatcher,
     groupid::EntryString, "Продолжительность", "", "", false},
    {"SCEditn6", Text, "", 0, 0, TimeBlank, kDispatcherPages, pageid::Dispatcher,
     groupid::EntryString, "Время стопа строки", "", "", false},
    {"SCEditn9", Text, "", 0, 0, TimeBlank, kDispatcherPages, pageid::Dispatcher,
     groupid::EntryString, "Текущий старт", "", "", false},
    {"SCCheckBox14", Check, "False", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Dispatcher, "Выключить ПК", "", "", false},
    {"SCEdit78", Text, "02:45:00", 0, 0, Time, kDispatcherPages, pageid::Dispatcher,
     groupid::Dispatcher, "Время выключения", "", "", false},
    {"SCEditn7", Text, "", 0, 0, Time, kDispatcherPages, pageid::Dispatcher,
     groupid::Dispatcher, "Текущее время", "", "", false},
    {"SCCheckBox23", Check, "False", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Dispatcher, "Автообновление расписания", "", "", false},
    {"SCEdit10", Text, "24.02.10 16:30:30|s1|00|24.02.10 16:30:30", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Dispatcher, "Следующий старт", "", "", false, "", Plain, 44},
    {"SCEdit101", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Dispatcher, "Тип следующего старта", "", "", false, "", Plain, 8},
    {"SCCheckbox19", Check, "False", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Dispatcher, "Загрузка план-файла", "Спрашивать об обновлении файла сценария при перезагрузке", "", false},
    {"SpinEdit5", Spin, "2", 0, 100000, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Dispatcher, "Период ожидания", "Проверка автообновляемого расписания на наличие в нем подходящей записи", "", false, kSeconds},
    {"SCEdit49", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 1", "", "", true},
    {"SCEdit50", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 2", "", "", true},
    {"SCEdit51", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 3", "", "", true},
    {"SCEdit52", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 4", "", "", true},
    {"SCEdit53", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 5", "", "", true},
    {"SCEdit54", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 6", "", "", true},
    {"SCEdit55", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 7", "", "", true},
    {"SCEdit56", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 8", "", "", true},
    {"SCEdit57", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 9", "", "", true},
    {"SCEdit58", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Клип 0", "", "", true},
    {"SCEdit59", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 1", "", "", true},
    {"SCEdit60", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 2", "", "", true},
    {"SCEdit61", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 3", "", "", true},
    {"SCEdit62", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 4", "", "", true},
    {"SCEdit63", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 5", "", "", true},
    {"SCEdit64", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 6", "", "", true},
    {"SCEdit65", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 7", "", "", true},
    {"SCEdit66", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 8", "", "", true},
    {"SCEdit67", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 9", "", "", true},
    {"SCEdit68", Text, "", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::Files, "Файл строки (s) 0", "", "", true},
    {"SCEditn10", Text, "Файл диспетчера (план-файл)", 0, 0, None, kDispatcherPages, pageid::Dispatcher,
     groupid::PlanFile, "План-файл", "Файл диспетчера (план-файл)", "", true},

    // ЦУП > Порты диспетчера
    {"SCCheckBox4", Check, "False", 0, 0, None, kDispatcherPages, pageid::Ports,
     groupid::PortString, "Бип старт включен", "", "", false},
    {"SCCheckBox5", Check, "False", 0, 0, None, kDispatcherPages, pageid::Ports,
     groupid::PortString, "Бип стоп включен", "", "", false},
    {"SCCheckBox2", Check, "False", 0, 0, None, kDispatcherPages, pageid::Ports,
     groupid::PortString, "Включить управление LPT1", "", "", false},
    {"SpinEdit9", Spin, "2", 2, 9, None, kDispatcherPages, pageid::Ports,
     groupid::PortString, "Пин LPT1", "", "", false},
    {"SCCheckBox1", Check, "False", 0, 0, None, kDispatcherPages, pageid::Ports,
     groupid::PortClip, "Бип старт включен", "", "", false},
    {"SCCheckBox3", Check, "False", 0, 0, None, kDispatcherPages, pageid::Ports,
     groupid::PortClip, "Бип стоп включен", "", "", false},
    {"SCCheckBox8", Check, "False", 0, 0, None, kDispatcherPages, pageid::Ports,
     groupid::PortClip, "Включить управление LPT1", "", "", false},
    {"SpinEdit10", Spin, "9", 2, 9, None, kDispatcherPages, pageid::Ports,
     groupid::PortClip, "Пин LPT1", "", "", false},
    {"SCEdit69", Text, "100", 0, 0, Digits, kDispatcherPages, pageid::Ports,
     groupid::Beep, "Строка старт", "", "", false, kHz},
    {"SCEdit70", Text, "200", 0, 0, Digits, kDispatcherPages, pageid::Ports,
     groupid::Beep, "Строка стоп", "", "", false, kHz},
    {"SCEdit71", Text, "300", 0, 0, Digits, kDispatcherPages, pageid::Ports,
     groupid::Beep, "Клип старт", "", "", false, kHz},
    {"SCEdit72", Text, "400", 0, 0, Digits, kDispatcherPages, pageid::Ports,
     groupid::Beep, "Клип стоп", "", "", false, kHz},
    {"SCEdit73", Text, "200", 0, 0, Digits, kDispatcherPages, pageid::Ports,
     groupid::Beep, "Длительность", "", "", false, kMs},
    {"SCEdit7", Text, "300", 0, 0, Digits, kDispatcherPages, pageid::Ports,
     groupid::Beep, "Слайд старт", "", "", false, kHz},
    {"SCEdit42", Text, "400", 0, 0, Digits, kDispatcherPages, pageid::Ports,
     groupid::Beep, "Слайд стоп", "", "", false, kHz},
    {"SCCheckBox26", Check, "False", 0, 0, None, kDispatcherPages, pageid::Ports,
     groupid::Ports, "Разрешить  управление LPT1 ", "", "", false},

    // FTP > Прием
    {"SCEdit4", Text, "ftp.example.org", 0, 0, None, kFtpPages, pageid::Receive,
     groupid::Receive, "ftp адрес", "", "", true},
    {"SCEdit8", Text, "21", 0, 0, Digits, kFtpPages, pageid::Receive,
     groupid::Receive, "порт", "", "", false},
    {"SCEdit75", Text, "user", 0, 0, None, kFtpPages, pageid::Receive,
     groupid::Receive, "Логин", "", "", false},
    {"SCEdit76", Text, "password", 0, 0, None, kFtpPages, pageid::Receive,
     groupid::Receive, "Пароль", "", "", false, "", Secret},
    {"SCEdit86", Text, "", 0, 0, None, kFtpPages, pageid::Receive,
     groupid::ReceiveConnection, "Выбранное", "", "", true},
    {"SCEdit83", Text, "MyDirFTP1", 0, 0, None, kFtpPages, pageid::Receive,
     groupid::Receive, "Полный путь к директории на ресурсе \"от корня\"", "Например /usr/my", "", true},
    {"SCEdit84", Text, "MyLocDirFTP1", 0, 0, None, kFtpPages, pageid::Receive,
     groupid::Receive, "Путь к локальной папке", "", "", true},
    {"SpinEdit35", Spin, "5", 5, 2880, None, kFtpPages, pageid::Receive,
     groupid::Receive, "Интервал в минутах", "", "", false, kMinutes},
    {"SCCheckbox12", Check, "False", 0, 0, None, kFtpPages, pageid::Receive,
     groupid::Receive, "Постоянное сетевое подключение", "", "", false},
    {"SCCheckbox15", Check, "False", 0, 0, None, kFtpPages, pageid::Receive,
     groupid::Receive, "Автоматическое скачивание", "", "", false},
    {"SpinEdit41", Spin, "3", 3, 2880, None, kFtpPages, pageid::Receive,
     groupid::Receive, "Время соединения", "", "", false, kMinutes},

    // FTP > Передача
    {"SCEdit89", Text, "ftp.example.org", 0, 0, None, kFtpPages, pageid::Transmit,
     groupid::Transmit, "ftp адрес", "", "", true},
    {"SCEdit90", Text, "21", 0, 0, Digits, kFtpPages, pageid::Transmit,
     groupid::Transmit, "порт", "", "", false},
    {"SCEdit91", Text, "user", 0, 0, None, kFtpPages, pageid::Transmit,
     groupid::Transmit, "Логин", "", "", false},
    {"SCEdit92", Text, "password", 0, 0, None, kFtpPages, pageid::Transmit,
     groupid::Transmit, "Пароль", "", "", false, "", Secret},
    {"SCEdit95", Text, "", 0, 0, None, kFtpPages, pageid::Transmit,
     groupid::TransmitConnection, "Выбранное", "", "", true},
    {"SCEdit93", Text, "MyDirFTP2", 0, 0, None, kFtpPages, pageid::Transmit,
     groupid::Transmit, "Полный путь к директории на ресурсе \"от корня\"", "", "", true},
    {"SpinEdit38", Spin, "5", 5, 2880, None, kFtpPages, pageid::Transmit,
     groupid::Transmit, "Интервал в минутах", "", "", false, kMinutes},
    {"SCCheckbox16", Check, "False", 0, 0, None, kFtpPages, pageid::Transmit,
     groupid::Transmit, "Постоянное сетевое подключение", "", "", false},
    {"SCCheckbox17", Check, "False", 0, 0, None, kFtpPages, pageid::Transmit,
     groupid::Transmit, "Автоматическое закачивание", "", "", false},
    {"SCCheckbox20", Check, "False", 0, 0, None, kFtpPages, pageid::Transmit,
     groupid::Transmit, "Текущую строку в виде файла run_string.htm", "", "", false},
    {"SpinEdit42", Spin, "3", 3, 2880, None, kFtpPages, pageid::Transmit,
     groupid::Transmit, "Время соединения", "", "", false, kMinutes},

    // Интернет > WWW
    {"SCEdit36", Text, "www.example.org", 0, 0, None, kInternetPages, pageid::Www,
     groupid::Www, "Адрес сайта (без http:// )", "", "", true},
    {"SpinEdit37", Spin, "5", 5, 2880, None, kInternetPages, pageid::Www,
     groupid::Www, "минут", "", "", false},
    {"SCCheckBox10", Check, "False", 0, 0, None, kInternetPages, pageid::Www,
     groupid::Www, "Автообновление каждые", "", "", false},
    {"SCEdit1w1", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 1", "", "", true},
    {"SCEdit1w2", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 2", "", "", true},
    {"SCEdit1w3", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 3", "", "", true},
    {"SCEdit1w4", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 4", "", "", true},
    {"SCEdit1w5", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 5", "", "", true},
    {"SCEdit1w6", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 6", "", "", true},
    {"SCEdit1w7", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 7", "", "", true},
    {"SCEdit1w8", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 8", "", "", true},
    {"SCEdit1w9", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 9", "", "", true},
    {"SCEdit1w0", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Сегодня 0", "", "", true},
    {"SCEdit2w1", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 1", "", "", true},
    {"SCEdit2w2", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 2", "", "", true},
    {"SCEdit2w3", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 3", "", "", true},
    {"SCEdit2w4", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 4", "", "", true},
    {"SCEdit2w5", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 5", "", "", true},
    {"SCEdit2w6", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 6", "", "", true},
    {"SCEdit2w7", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 7", "", "", true},
    {"SCEdit2w8", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 8", "", "", true},
    {"SCEdit2w9", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 9", "", "", true},
    {"SCEdit2w0", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Завтра 0", "", "", true},
    {"SpinEdit40", Spin, "1", 0, 9, None, kInternetPages, pageid::Www,
     groupid::WebAddresses, "Номер окна", "Номер окна (сегодня)", "", false},
    {"SCEdit20", Text, "", 0, 0, None, kInternetPages, pageid::Www,
     groupid::Rss, "Адрес RSS-канала", "", "", true},
    {"SCCheckbox24", Check, "False", 0, 0, None, kInternetPages, pageid::Www,
     groupid::Rss, "Разрешить автозапуск RSS при загрузке Velumo7", "", "", false},
    {"SCCheckbox13", Check, "False", 0, 0, None, kInternetPages, pageid::Www,
     groupid::Rss, "Автообновление каждые", "", "", false},
    {"SpinEdit3", Spin, "5", 5, 2880, None, kInternetPages, pageid::Www,
     groupid::Rss, "минут", "", "", false},
    {"SpinEdit39", Spin, "0", 0, 100000, None, kInternetPages, pageid::Www,
     groupid::WebOutput, "Режим", "", "", false},
    {"SCEdit38", Text, "0", 0, 0, Digits, kInternetPages, pageid::Www,
     groupid::WebOutput, "От верхней кромки экрана TV", "", "", false, kPx},
    {"SCEdit39", Text, "600", 0, 0, Digits, kInternetPages, pageid::Www,
     groupid::WebOutput, "От левой кромки экрана", "", "", false, kPx},
    {"SCEdit44", Text, "800", 0, 0, Digits, kInternetPages, pageid::Www,
     groupid::WebOutput, "Ширина", "", "", false, kPx},
    {"SCEdit46", Text, "600", 0, 0, Digits, kInternetPages, pageid::Www,
     groupid::WebOutput, "Высота", "", "", false, kPx},
    {"SCCheckbox11", Check, "False", 0, 0, None, kInternetPages, pageid::Www,
     groupid::WebOutput, "Вкл. титрование ", "", "", false},
    {"SpinEdit12", Spin, "1", 0, 10, None, kInternetPages, pageid::Www,
     groupid::WebOutput, "Замедление", "", "", false},
    {"SpinEdit36", Spin, "2", 0, 100000, None, kInternetPages, pageid::Www,
     groupid::WebOutput, "шаг", "", "", false, kPx},
    {"SCEdit74", Text, "800", 0, 0, TimeBlank, kInternetPages, pageid::Www,
     groupid::WebOutput, "Высота перемещаемого окна ", "", "", false, kPx},

    // Outside the pages: administrator password entry
    {"SCEdit102", Text, "", 0, 0, None, "", "",
     "", "Пароль", "", "", false},
};
// clang-format on

// The table is the one declaration of the window's values; what else names them is checked
// against it here, when the program is compiled.

// Every control stands in a declared group of its own page, and a nested group's outer groups
// are declared on the same page.
// (Indices, not pointers: a sanitizer build cannot compare a pointer with null at compile time.)
constexpr int pageIndex(std::string_view id)
{
    for (std::size_t i = 0; i < std::size(kPages); ++i)
        if (id == kPages[i].id)
            return int(i);
    return -1;
}

constexpr int groupIndex(std::string_view id)
{
    for (std::size_t i = 0; i < std::size(kGroups); ++i)
        if (id == kGroups[i].id)
            return int(i);
    return -1;
}

constexpr bool groupDeclared(std::string_view pageId, std::string_view path)
{
    for (const GroupSpec& g : kGroups)
        if (pageId == g.page && path == g.path)
            return true;
    return false;
}

constexpr bool placedInDeclaredGroups()
{
    for (const ControlSpec& c : kControls) {
        const std::string_view page = c.page;
        if (page.empty() && std::string_view(c.group).empty())
            continue;
        const int group = groupIndex(c.group);
        if (pageIndex(page) < 0 || group < 0 || page != kGroups[group].page)
            return false;
    }
    for (const GroupSpec& g : kGroups) {
        const std::string_view path = g.path;
        const auto last = path.rfind(" > ");
        if (pageIndex(g.page) < 0 ||
            (last != std::string_view::npos && !groupDeclared(g.page, path.substr(0, last))))
            return false;
    }
    return true;
}
static_assert(placedInDeclaredGroups(), "a control or group of an undeclared page or group");

// The key constants of controlorder.h name the controls, in the table's order.
constexpr bool keysFollowTable()
{
    if (std::size(kControlOrder) != std::size(kControls))
        return false;
    for (std::size_t i = 0; i < std::size(kControls); ++i)
        if (std::string_view(kControlOrder[i]) != kControls[i].name)
            return false;
    return true;
}
static_assert(keysFollowTable(), "settingskeys.h and the table name different controls");

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
