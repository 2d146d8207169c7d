#pragma once

#include <span>

#include <QString>

namespace velumo {

struct ControlSpec;

// How a value field stands on its page, from its declaration: the unit of its number, the width
// of its content and whether its text is a secret or a colour.
struct FieldLook {
    QString unit;          // shown beside the field ("мс", "пикс."); empty when it has none
    int widthChars = 0;    // characters the field shows at most; 0 = as wide as its row
    bool secret = false;   // shown as dots until the operator asks to see it
    bool colour = false;   // holds a colour number: shown on that colour
    bool counter = false;  // a count the program keeps: read-only, its group's counters in a row
};

FieldLook fieldLook(const ControlSpec& entry);

// A check box whose row also holds a number field of its own ("Автообновление каждые"
// [5] "минут"): the field, its caption and where that caption stands.
struct JoinedRow {
    const char* check;
    const char* field;
    bool captionAfterField;
};

// The joined rows of the window.
std::span<const JoinedRow> joinedRows();

}  // namespace velumo
