#include "clipplayerchoice.h"

#include "players/contentkind.h"

namespace velumo {

void ClipPlayerChoice::fromComboText(const QString& text)
{
    if (text == u"Встроенный")
        m_choice = 0;
    else if (text == u"BSPlayer")
        m_choice = 1;
}

void ClipPlayerChoice::started(QChar letter)
{
    const ContentKind* kind = ContentKind::find(letter);
    if (kind && kind->clipChoice >= 0)
        m_choice = kind->clipChoice;
}

QChar ClipPlayerChoice::letterOf(int choice)
{
    const int wanted = choice == 0 ? 0 : 1;
    for (const ContentKind& kind : ContentKind::all())
        if (kind.clipChoice == wanted)
            return kind.qLetter();
    return QChar();
}

}  // namespace velumo
