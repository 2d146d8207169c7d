#include "typingfilter.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "base/guard.h"

namespace velumo {

void TypingFilter::install(QLineEdit* edit, InputFilter filter)
{
    if (edit && filter != InputFilter::None)
        filterEventsGuarded(
            edit, Origin::byOperator(QStringLiteral("typingfilter")),
            [edit, filter](QEvent* event) { return filterKey(edit, filter, event); });
}

bool TypingFilter::accepts(InputFilter filter, QChar c)
{
    // Control characters (backspace, shortcuts such as Ctrl+V) are never judged.
    if (c.unicode() < 0x20 || c.unicode() == 0x7f)
        return true;
    const bool digit = c >= u'0' && c <= u'9';
    switch (filter) {
        case InputFilter::None:
            return true;
        case InputFilter::Digits:
            return digit;
        case InputFilter::Time:
        case InputFilter::TimeBlank:
            return digit || c == u':';
    }
    return true;
}

bool TypingFilter::filterKey(QLineEdit* edit, InputFilter filter, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    QString typed;
    bool changed = false;
    for (QChar c : text) {
        if (accepts(filter, c)) {
            typed += c;
        } else {
            changed = true;
            if (filter == InputFilter::TimeBlank)
                typed += u' ';
        }
    }
    if (!changed)
        return false;
    if (!typed.isEmpty() && !edit->isReadOnly())
        edit->insert(typed);
    return true;
}

}  // namespace velumo
