#pragma once

#include <span>
#include <string_view>

namespace velumo {

// The pages and group boxes of the main settings window, each declared once under its
// component name (its objectName, the name velumo_lang.cfg knows it by). Captions are data:
// a page's path joins the tab captions from the page set down ("Настройки > Строка"), a group's
// path joins the captions of the groups it is nested in ("Координаты > Главное окно").
struct PageSpec {
    const char* id;
    const char* path;
};

struct GroupSpec {
    const char* id;
    const char* page;  // the id of its page
    const char* path;
};

namespace pageid {
inline constexpr char TickerText[] = "TabSheet1";
inline constexpr char Start[] = "TabSheet2";
inline constexpr char Strip[] = "TabSheet3";
inline constexpr char Modes[] = "TabSheet4";
inline constexpr char Slides[] = "TabSheet6";
inline constexpr char Clips[] = "TabSheet7";
inline constexpr char Flash[] = "TabSheet8";
inline constexpr char Broadcast[] = "TabSheet9";
inline constexpr char Dispatcher[] = "TabSheet10";
inline constexpr char Ports[] = "TabSheet11";
inline constexpr char Receive[] = "TabSheet12";
inline constexpr char Transmit[] = "TabSheet13";
inline constexpr char Www[] = "TabSheet14";
inline constexpr char Planner[] = "TabSheet15";
}  // namespace pageid

namespace groupid {
inline constexpr char BlockCounters[] = "GroupBox1";
inline constexpr char Start[] = "GroupBox2";
inline constexpr char Access[] = "GroupBox3";
inline constexpr char Font[] = "GroupBox4";
inline constexpr char StripBand[] = "GroupBox5";
inline constexpr char Outline[] = "GroupBox6";
inline constexpr char Accessories[] = "GroupBox7";
inline constexpr char Icons[] = "GroupBox8";
inline constexpr char IconPlace[] = "GroupBox9";
inline constexpr char IconSize[] = "GroupBox10";
inline constexpr char Clock[] = "GroupBox11";
inline constexpr char Modes[] = "GroupBox12";
inline constexpr char Log[] = "GroupBox13";
inline constexpr char Tariffs[] = "GroupBox14";
inline constexpr char Halt[] = "GroupBox15";
inline constexpr char ColourChange[] = "GroupBox16";
inline constexpr char Slowdown[] = "GroupBox17";
inline constexpr char TemporaryFont[] = "GroupBox18";
inline constexpr char Positions[] = "GroupBox19";
inline constexpr char PanelPosition[] = "GroupBox20";
inline constexpr char MainPosition[] = "GroupBox21";
inline constexpr char SlidesTestRun[] = "GroupBox22";
inline constexpr char SlideWindow[] = "GroupBox23";
inline constexpr char DirectOutput[] = "GroupBox24";
inline constexpr char ClipsTestRun[] = "GroupBox25";
inline constexpr char Clips[] = "GroupBox26";
inline constexpr char ClipWindow[] = "GroupBox27";
inline constexpr char Flash[] = "GroupBox28";
inline constexpr char FlashWindow[] = "GroupBox29";
inline constexpr char Broadcast[] = "GroupBox30";
inline constexpr char CaptureWindow[] = "GroupBox31";
inline constexpr char EntryClip[] = "GroupBox32";
inline constexpr char EntryString[] = "GroupBox33";
inline constexpr char Dispatcher[] = "GroupBox34";
inline constexpr char Files[] = "GroupBox35";
inline constexpr char PlanFile[] = "GroupBox36";
inline constexpr char PortString[] = "GroupBox37";
inline constexpr char PortClip[] = "GroupBox38";
inline constexpr char Beep[] = "GroupBox39";
inline constexpr char Ports[] = "GroupBox40";
inline constexpr char Receive[] = "GroupBox41";
inline constexpr char ReceiveConnection[] = "GroupBox42";
inline constexpr char Transmit[] = "GroupBox43";
inline constexpr char TransmitConnection[] = "GroupBox44";
inline constexpr char Www[] = "GroupBox45";
inline constexpr char WebAddresses[] = "GroupBox46";
inline constexpr char Rss[] = "GroupBox47";
inline constexpr char WebOutput[] = "GroupBox48";
inline constexpr char Block[] = "GroupBox49";
inline constexpr char PinTest[] = "GroupBox50";
inline constexpr char ReceivedFiles[] = "GroupBox51";
inline constexpr char UploadList[] = "GroupBox52";
inline constexpr char Schedule[] = "GroupBox53";
inline constexpr char Planner[] = "GroupBox54";
inline constexpr char PlannerDates[] = "GroupBox55";
inline constexpr char PlanCheck[] = "GroupBox56";
}  // namespace groupid

// clang-format off
inline constexpr PageSpec kPages[] = {
    {pageid::TickerText, "Бегущая строка"},
    {pageid::Start, "Настройки > Стартовые настройки"},
    {pageid::Strip, "Настройки > Строка"},
    {pageid::Modes, "Настройки > Режиы (тарифы) строки"},
    {pageid::Slides, "Настройки > Слайды, клипы, Flash, трансляция > PowerPoint"},
    {pageid::Clips, "Настройки > Слайды, клипы, Flash, трансляция > Видео клипы"},
    {pageid::Flash, "Настройки > Слайды, клипы, Flash, трансляция > Flash анимации"},
    {pageid::Broadcast, "Настройки > Слайды, клипы, Flash, трансляция > Трансляция"},
    {pageid::Dispatcher, "ЦУП > Диспетчер"},
    {pageid::Ports, "ЦУП > Порты диспетчера"},
    {pageid::Receive, "FTP > Прием"},
    {pageid::Transmit, "FTP > Передача"},
    {pageid::Www, "Интернет > WWW"},
    {pageid::Planner, "ЦУП > Планировщик"},
};

inline constexpr GroupSpec kGroups[] = {
    {groupid::BlockCounters, pageid::TickerText, "Количество строк в блоке"},
    {groupid::Start, pageid::Start, "Стартовые настройки"},
    {groupid::Access, pageid::Start, "Закрытый доступ"},
    {groupid::Font, pageid::Strip, "Настройка шрифта и полотна строки"},
    {groupid::StripBand, pageid::Strip, "Настройка шрифта и полотна строки > Полоса бегущей строки"},
    {groupid::Outline, pageid::Strip, "Настройка шрифта и полотна строки > Обводка букв"},
    {groupid::Accessories, pageid::Strip, "Аксессуары строки"},
    {groupid::Icons, pageid::Strip, "Аксессуары строки > Тематические иконки сопровождения строки  (выбор файла  при щелчке по окошку)"},
    {groupid::IconPlace, pageid::Strip, "Аксессуары строки > Тематические иконки сопровождения строки  (выбор файла  при щелчке по окошку) > Расположение иконки"},
    {groupid::IconSize, pageid::Strip, "Аксессуары строки > Тематические иконки сопровождения строки  (выбор файла  при щелчке по окошку) > Размеры"},
    {groupid::Clock, pageid::Strip, "Аксессуары строки > Настройки окна часов "},
    {groupid::Modes, pageid::Modes, "Режиы (тарифы) строки"},
    {groupid::Log, pageid::Modes, "Логистика"},
    {groupid::Tariffs, pageid::Modes, "Тарифы (спец.режимы строки)"},
    {groupid::Halt, pageid::Modes, "Тарифы (спец.режимы строки) > Стоп"},
    {groupid::ColourChange, pageid::Modes, "Тарифы (спец.режимы строки) > Изменение цвета"},
    {groupid::Slowdown, pageid::Modes, "Тарифы (спец.режимы строки) > Временное замедление "},
    {groupid::TemporaryFont, pageid::Modes, "Тарифы (спец.режимы строки) > Изменение шрифта"},
    {groupid::Positions, pageid::Modes, "Координаты"},
    {groupid::PanelPosition, pageid::Modes, "Координаты > Панель управления"},
    {groupid::MainPosition, pageid::Modes, "Координаты > Главное окно"},
    {groupid::SlidesTestRun, pageid::Slides, "Пробный запуск"},
    {groupid::SlideWindow, pageid::Slides, "Окно показа"},
    {groupid::DirectOutput, pageid::Slides, "Режим прямого вывода"},
    {groupid::ClipsTestRun, pageid::Clips, "Пробный запуск"},
    {groupid::Clips, pageid::Clips, "Видео клипы"},
    {groupid::ClipWindow, pageid::Clips, "Окно встроенного плеера"},
    {groupid::Flash, pageid::Flash, "Flash анимации"},
    {groupid::FlashWindow, pageid::Flash, "Окно flash"},
    {groupid::Broadcast, pageid::Broadcast, "Трансляция"},
    {groupid::CaptureWindow, pageid::Broadcast, "Окно трансляции"},
    {groupid::EntryClip, pageid::Dispatcher, "Клип"},
    {groupid::EntryString, pageid::Dispatcher, "Строка "},
    {groupid::Dispatcher, pageid::Dispatcher, "Диспетчер"},
    {groupid::Files, pageid::Dispatcher, "Файлы"},
    {groupid::PlanFile, pageid::Dispatcher, "Файл текущего расписания"},
    {groupid::PortString, pageid::Ports, "Строка"},
    {groupid::PortClip, pageid::Ports, "Клип"},
    {groupid::Beep, pageid::Ports, "Характеристики бип "},
    {groupid::Ports, pageid::Ports, "Порты диспетчера"},
    {groupid::Receive, pageid::Receive, "Прием"},
    {groupid::ReceiveConnection, pageid::Receive, "Подключение (не постоянное) для скачивания"},
    {groupid::Transmit, pageid::Transmit, "Передача"},
    {groupid::TransmitConnection, pageid::Transmit, "Подключение (не постоянное) для закачки "},
    {groupid::Www, pageid::Www, "WWW"},
    {groupid::WebAddresses, pageid::Www, "Адрес для диспетчера (полный, без. http:/)"},
    {groupid::Rss, pageid::Www, "RSS-канал"},
    {groupid::WebOutput, pageid::Www, "Режим вывода"},
    {groupid::Block, pageid::TickerText, "Блок объявлений"},
    {groupid::PinTest, pageid::Ports, "Пин-тест"},
    {groupid::ReceivedFiles, pageid::Receive, "Список скачаных файлов"},
    {groupid::UploadList, pageid::Transmit, "Список для закачки"},
    {groupid::Schedule, pageid::Dispatcher, "Текущее расписание"},
    {groupid::Planner, pageid::Planner, "Планировщик"},
    {groupid::PlannerDates, pageid::Planner, "Смена дат списка"},
    {groupid::PlanCheck, pageid::Planner, "Проверка списка"},
};
// clang-format on

constexpr const PageSpec* findPage(std::string_view id)
{
    for (const PageSpec& p : kPages)
        if (id == p.id)
            return &p;
    return nullptr;
}

constexpr const GroupSpec* findGroup(std::string_view id)
{
    for (const GroupSpec& g : kGroups)
        if (id == g.id)
            return &g;
    return nullptr;
}

// The group of that path on a page, or nullptr.
constexpr const GroupSpec* findGroup(std::string_view pageId, std::string_view path)
{
    for (const GroupSpec& g : kGroups)
        if (pageId == g.page && path == g.path)
            return &g;
    return nullptr;
}

// The declared page or group of that id; an id that is not declared throws
// std::invalid_argument, so that a misspelt id stops the window's construction.
const PageSpec& pageSpec(std::string_view id);
const GroupSpec& groupSpec(std::string_view id);

}  // namespace velumo
