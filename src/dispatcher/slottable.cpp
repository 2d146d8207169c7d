#include "slottable.h"

#include "base/settings.h"
#include "base/settingskeys.h"

namespace velumo {

namespace {

constexpr SlotTable::Fields kNoFields = {};
constexpr SlotTable::Fields kStringFields = {
    key::SCEdit59, key::SCEdit60, key::SCEdit61, key::SCEdit62, key::SCEdit63,
    key::SCEdit64, key::SCEdit65, key::SCEdit66, key::SCEdit67, key::SCEdit68};
constexpr SlotTable::Fields kClipFields = {
    key::SCEdit49, key::SCEdit50, key::SCEdit51, key::SCEdit52, key::SCEdit53,
    key::SCEdit54, key::SCEdit55, key::SCEdit56, key::SCEdit57, key::SCEdit58};
constexpr SlotTable::Fields kWebFields = {
    key::SCEdit1w1, key::SCEdit1w2, key::SCEdit1w3, key::SCEdit1w4, key::SCEdit1w5,
    key::SCEdit1w6, key::SCEdit1w7, key::SCEdit1w8, key::SCEdit1w9, key::SCEdit1w0};

}  // namespace

SlotTable::Column SlotTable::column(QChar letter)
{
    const ContentKind* kind = ContentKind::find(letter);
    return kind ? kind->slotColumn : Column::None;
}

const SlotTable::Fields& SlotTable::fields(Column column)
{
    switch (column) {
        case Column::String:
            return kStringFields;
        case Column::Clip:
            return kClipFields;
        case Column::Web:
            return kWebFields;
        case Column::None:
            break;
    }
    return kNoFields;
}

const char* SlotTable::field(QChar letter, int number)
{
    if (number < 0 || number > 9)
        return nullptr;
    // Slot 0 is the last field of its column.
    return fields(column(letter))[number == 0 ? 9 : number - 1];
}

const char* SlotTable::field(QChar letter, const QString& slot)
{
    if (slot.size() != 1 || slot[0] < u'0' || slot[0] > u'9')
        return nullptr;
    return field(letter, slot[0].unicode() - u'0');
}

QString SlotTable::text(const Settings& settings, QChar letter, int number)
{
    const char* name = field(letter, number);
    return name ? settings.text(name) : QString();
}

QString SlotTable::text(const Settings& settings, QChar letter, const QString& slot)
{
    const char* name = field(letter, slot);
    return name ? settings.text(name) : QString();
}

}  // namespace velumo
