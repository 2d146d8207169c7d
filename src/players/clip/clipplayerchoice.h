#pragma once

#include <QChar>
#include <QString>

namespace velumo {

// The player of clips (PlayerChoice): 0 the internal player, 1 the external one, each the
// choice of its kind's row of the content-kind table (ContentKind::clipChoice). The one owner of
// the choice: the dispatcher's starts of those kinds set it, ComboBox2 sets it from its text,
// and StartAvi, the test group of the "Видео клипы" page and the status read it here.
class ClipPlayerChoice {
public:
    int value() const { return m_choice; }
    // The letter of the chosen player.
    QChar letter() const { return letterOf(m_choice); }
    // The letter of the kind of a choice: 0 the internal player's, any other the external's.
    static QChar letterOf(int choice);
    // ComboBox2's text: "Встроенный" gives 0, "BSPlayer" 1; any other text keeps the choice.
    void fromComboText(const QString& text);
    // A start of a content letter: a kind with a player choice sets it; the other letters
    // leave the choice.
    void started(QChar letter);

private:
    int m_choice = 0;
};

}  // namespace velumo
