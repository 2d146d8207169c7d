#pragma once

#include <span>

namespace velumo {

// What a value control of the settings window holds and how it is stored in velumo.cfg.
enum class ControlKind { Text, Spin, Check, Combo };

// What typing into a field accepts.
enum class InputFilter {
    None,       // anything
    Digits,     // only 0-9 (deleting stays possible)
    Time,       // 0-9 and ':'
    TimeBlank,  // 0-9 and ':'; any other typed character becomes a blank
};

// How a text field shows what it holds.
enum class FieldStyle {
    Plain,
    Secret,  // a password: dots, and a button that shows it
    Colour,  // a colour number: the field shows the colour
};

// One value control of the settings window, declared once. The file codec, the pages,
// the translation file and the control channel all read this table.
struct ControlSpec {
    const char* name;  // control name, also the widget's objectName: "SCEdit43"
    ControlKind kind;
    const char*
        defaultValue;  // design value as its file text: text, decimal, "True"/"False", combo text
    int minimum;       // spinner range; 0 and 0 for the others
    int maximum;
    InputFilter filter;
    const char*
        pageSet;  // "PageControl2" (Настройки), "PageControl3" (ЦУП), "PageControl4" (FTP),
                  // "PageControl7" (Интернет), "PageControl5" (Бегущая строка), "" (outside)
    const char* page;       // page id ("TabSheet3", pageschema.h); "" outside the pages
    const char* group;      // group box id ("GroupBox5"), a group of that page; "" outside
    const char* caption;    // label or check-box caption; "" when none
    const char* hint;       // tool tip; "" when none
    const char* items;      // combo box items joined by '\n'; "" for the other kinds
    bool pathField;         // a path or name field: shows its whole text as hint
    const char* unit = "";  // what a number counts ("мс", "пикс."), shown beside the field
    FieldStyle style = FieldStyle::Plain;
    int widthChars = -1;  // a text field's width in characters; 0 takes its row; -1 by its kind
};

// All 211 value controls, in the order they stand on the window (page by page, group by group).
std::span<const ControlSpec> controlSchema();

// The entry of that name, or nullptr.
const ControlSpec* findControl(const char* name);

}  // namespace velumo
