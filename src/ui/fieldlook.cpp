#include "fieldlook.h"

#include <cstring>

#include "base/controlspec.h"

namespace velumo {

namespace {

constexpr char kMs[] = "мс";
constexpr char kPx[] = "пикс.";
constexpr char kHz[] = "Гц";
constexpr char kSeconds[] = "с";
constexpr char kMinutes[] = "мин";
constexpr char kPoints[] = "пт";

struct Unit {
    const char* field;
    const char* unit;
};

// What the numbers mean: delays and lengths in milliseconds, places and sizes on the screen in
// pixels, font sizes in points, tones in hertz, timer periods in seconds or minutes.
constexpr Unit kUnits[] = {
    {"SpinEdit4", kSeconds},  {"SCEdit43", kPx},        {"SCEdit45", kPx},
    {"SCEdit77", kPx},        {"SpinEdit1", kMs},       {"SpinEdit2", kPx},
    {"SCEdit18", kPoints},    {"SpinEdit14", kPx},      {"SpinEdit13", kPx},
    {"SCEdit27", kPx},        {"SCEdit28", kPx},        {"SCEdit29", kPx},
    {"SCEdit30", kPx},        {"SCEdit16", kPx},        {"SCEdit17", kPx},
    {"SCEdit40", kPoints},    {"SCEdit80", kPoints},    {"SpinEdit43", kMinutes},
    {"SCEdit3", kMs},         {"SpinEdit16", kPx},      {"SpinEdit15", kMs},
    {"SCEdit85", kPoints},    {"SCEdit97", kPx},        {"SCEdit98", kPx},
    {"SCEdit94", kPx},        {"SCEdit96", kPx},        {"SpinEdit26", kPx},
    {"SpinEdit27", kPx},      {"SpinEdit28", kPx},      {"SpinEdit29", kPx},
    {"SpinEdit34", kMs},      {"SpinEdit19", kPx},      {"SpinEdit20", kPx},
    {"SpinEdit21", kPx},      {"SpinEdit22", kPx},      {"SpinEdit45", kPx},
    {"SpinEdit46", kPx},      {"SpinEdit47", kPx},      {"SpinEdit48", kPx},
    {"SpinEdit53", kPx},      {"SpinEdit54", kPx},      {"SpinEdit55", kPx},
    {"SpinEdit56", kPx},      {"SpinEdit5", kSeconds},  {"SCEdit69", kHz},
    {"SCEdit70", kHz},        {"SCEdit71", kHz},        {"SCEdit72", kHz},
    {"SCEdit73", kMs},        {"SCEdit7", kHz},         {"SCEdit42", kHz},
    {"SpinEdit35", kMinutes}, {"SpinEdit41", kMinutes}, {"SpinEdit38", kMinutes},
    {"SpinEdit42", kMinutes}, {"SCEdit38", kPx},        {"SCEdit39", kPx},
    {"SCEdit44", kPx},        {"SCEdit46", kPx},        {"SpinEdit36", kPx},
    {"SCEdit74", kPx},
};

struct Width {
    const char* field;
    int chars;
};

// Fields whose content has a width of its own; 0 lets the field take its row.
constexpr Width kWidths[] = {
    {"SCEdit79", 3},   // the flag, a character or two
    {"SCEdit11", 10},  // a date
    {"SCEdit10", 44},  // a whole plan line
    {"SCEdit101", 8},  // a content kind
    {"SCEdit37", 0},   // a note
    {"SCEdit47", 0},   // the sample, in the strip's own font
    {"SCEdit82", 0},   // the temporary font's name, in that font
};

constexpr const char* kSecrets[] = {"SCEdit76", "SCEdit92", "SCEdit104"};

constexpr const char* kColours[] = {"SCEdit21", "SCEdit13", "SCEdit19", "SCEdit81"};

constexpr JoinedRow kJoinedRows[] = {
    {"SCCheckbox30", "SpinEdit4", false},  // Включить контроль, каждые [10] с
    {"SCCheckBox10", "SpinEdit37", true},  // Автообновление каждые [5] минут
    {"SCCheckbox13", "SpinEdit3", true},  // the same for the feed
};

bool is(const char* a, const char* b)
{
    return std::strcmp(a, b) == 0;
}

}  // namespace

FieldLook fieldLook(const ControlSpec& entry)
{
    FieldLook look;
    for (const Unit& u : kUnits)
        if (is(u.field, entry.name))
            look.unit = QString::fromUtf8(u.unit);
    for (const char* name : kSecrets)
        if (is(name, entry.name))
            look.secret = true;
    for (const char* name : kColours)
        if (is(name, entry.name))
            look.colour = true;
    if (entry.kind != ControlKind::Text)
        return look;
    if (entry.pathField)
        look.widthChars = 0;
    else if (look.secret)
        look.widthChars = 18;
    else if (entry.filter != InputFilter::None)
        look.widthChars = 9;  // numbers, colour numbers and times ("00:00:00")
    else
        look.widthChars = 24;
    for (const Width& w : kWidths)
        if (is(w.field, entry.name))
            look.widthChars = w.chars;
    return look;
}

std::span<const JoinedRow> joinedRows()
{
    return kJoinedRows;
}

}  // namespace velumo
