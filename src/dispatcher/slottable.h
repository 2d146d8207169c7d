#pragma once

#include <QString>
#include <array>

#include "players/contentkind.h"

namespace velumo {

class Settings;

// The slot fields of the dispatcher page ("Файлы", "Адрес для диспетчера"): which setting holds
// the file or address that the slot digit of a schedule line names. A kind's row of the
// content-kind table names its column (ContentKind::slotColumn): ticker texts have their own,
// clips, slide shows and Flash movies share one, web pages take the addresses; the capture has
// no slot.
class SlotTable {
public:
    using Column = ContentKind::SlotColumn;
    // Ten fields in the page's order: slots 1 to 9, then slot 0.
    using Fields = std::array<const char*, 10>;

    // The column of a letter; None for a letter of no kind.
    static Column column(QChar letter);
    static const Fields& fields(Column column);
    // The field of slot number 0 to 9 in the column of a letter; nullptr for another number or
    // a letter without slots.
    static const char* field(QChar letter, int number);
    // The field a slot text names when it is one digit; nullptr otherwise.
    static const char* field(QChar letter, const QString& slot);
    // The text of that field; empty when there is none.
    static QString text(const Settings& settings, QChar letter, int number);
    static QString text(const Settings& settings, QChar letter, const QString& slot);
};

}  // namespace velumo
