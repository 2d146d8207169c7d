#include "fieldlook.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "base/controlspec.h"

namespace velumo {

namespace {

constexpr JoinedRow kJoinedRows[] = {
    {"SCCheckbox30", "SpinEdit4", false},  // Включить контроль, каждые [10] с
    {"SCCheckBox10", "SpinEdit37", true},  // Автообновление каждые [5] минут
    {"SCCheckbox13", "SpinEdit3", true},  // the same for the feed
};

// The counts of the block's lists, which the program keeps.
constexpr const char* kCounters[] = {"SCEdit12", "SCEdit14", "SCEdit15"};

}  // namespace

FieldLook fieldLook(const ControlSpec& entry)
{
    FieldLook look;
    look.unit = QString::fromUtf8(entry.unit);
    look.secret = entry.style == FieldStyle::Secret;
    look.colour = entry.style == FieldStyle::Colour;
    look.counter = std::find_if(std::begin(kCounters), std::end(kCounters), [&](const char* name) {
                       return std::string_view(name) == entry.name;
                   }) != std::end(kCounters);
    if (entry.kind != ControlKind::Text)
        return look;
    if (entry.widthChars >= 0)
        look.widthChars = entry.widthChars;
    else if (entry.pathField)
        look.widthChars = 0;
    else if (look.secret)
        look.widthChars = 18;
    else if (entry.filter != InputFilter::None)
        look.widthChars = 9;  // numbers, colour numbers and times ("00:00:00")
    else
        look.widthChars = 24;
    return look;
}

std::span<const JoinedRow> joinedRows()
{
    return kJoinedRows;
}

}  // namespace velumo
