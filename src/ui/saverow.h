#pragma once

#include <QString>

class QFormLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace velumo {

// The «Сохранить» row under a page's form of an .ini file: the button, and the answer (what was
// written, or why not) on the row beneath it, spanning the whole width so that a long error
// wraps over it; the answer can be selected and copied.
struct SaveRow {
    QPushButton* button;
    QLabel* answer;
};

SaveRow addSaveRow(QFormLayout* form, QWidget* parent, const QString& buttonName,
                   const QString& answerName, const QString& fileName);

}  // namespace velumo
