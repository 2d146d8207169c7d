#include "clipplayerchoice.h"

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
    if (letter == u'k')
        m_choice = 0;
    else if (letter == u'b')
        m_choice = 1;
}

}  // namespace velumo
