#pragma once

#include <QString>
#include <array>

namespace velumo {

class Settings;

// The slot fields of the dispatcher page ("Файлы", "Адрес для диспетчера"): which setting holds
// the file or address that the slot digit of a schedule line names. Ticker texts (s) have their
// own column, clips, slide shows and Flash movies (k, b, p, f) share one, web pages (w) take
// the addresses; the capture (t) has no slot.
class SlotTable {
public:
    enum class Column { None, String, Clip, Web };
    // Ten fields in the page's order: slots 1 to 9, then slot 0.
    using Fields = std::array<const char*, 10>;

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
