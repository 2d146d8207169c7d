#pragma once

#include <QChar>
#include <QString>

namespace velumo {

// The player of clips (PlayerChoice): 0 the internal player (k), 1 the external one (b). The
// one owner of the choice: the dispatcher's k and b starts set it, ComboBox2 sets it from its
// text, and StartAvi, the test group of the "Видео клипы" page and the status read it here.
class ClipPlayerChoice {
public:
    int value() const { return m_choice; }
    // The letter of the chosen player: k or b.
    QChar letter() const { return m_choice == 0 ? u'k' : u'b'; }
    // ComboBox2's text: "Встроенный" gives 0, "BSPlayer" 1; any other text keeps the choice.
    void fromComboText(const QString& text);
    // A start of a content letter: k chooses the internal player, b the external one; the
    // other letters leave the choice.
    void started(QChar letter);

private:
    int m_choice = 0;
};

}  // namespace velumo
