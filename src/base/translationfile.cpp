#include "translationfile.h"

namespace velumo::translationfile {

QString lineFor(const UiComponent& c)
{
    switch (c.cls) {
        case ComponentClass::Edit:
        case ComponentClass::Combo:
            return c.hint;
        case ComponentClass::Label:
        case ComponentClass::GroupBox:
        case ComponentClass::Page:
        case ComponentClass::CheckBox:
            return c.caption;
        case ComponentClass::Button:
            return c.caption + u'|' + c.hint;
        case ComponentClass::Dialog:
            return c.caption + u'/' + c.hint;
        case ComponentClass::FixedLabel:
        case ComponentClass::Other:
            break;
    }
    return QString();
}

void apply(UiComponent& c, const QString& line)
{
    switch (c.cls) {
        case ComponentClass::Edit:
        case ComponentClass::Combo:
            c.hint = line;
            break;
        case ComponentClass::Label:
        case ComponentClass::GroupBox:
        case ComponentClass::Page:
        case ComponentClass::CheckBox:
            c.caption = line;
            break;
        case ComponentClass::Button: {
            const qsizetype bar = line.indexOf(u'|');
            c.caption = bar < 0 ? QString() : line.left(bar);
            c.hint = bar < 0 ? line : line.mid(bar + 1);
            break;
        }
        case ComponentClass::Dialog: {
            const qsizetype slash = line.indexOf(u'/');
            c.caption = slash < 0 ? QString() : line.left(slash);
            c.hint = slash < 0 ? line : line.mid(slash + 1);
            break;
        }
        case ComponentClass::FixedLabel:
        case ComponentClass::Other:
            break;
    }
}

QStringList write(const QList<UiComponent>& components)
{
    QStringList lines;
    lines.reserve(components.size());
    for (auto it = components.crbegin(); it != components.crend(); ++it)
        lines.append(lineFor(*it));
    return lines;
}

void read(const QStringList& lines, QList<UiComponent>& components)
{
    qsizetype lineIndex = 0;
    for (auto it = components.rbegin(); it != components.rend(); ++it, ++lineIndex)
        apply(*it, lineIndex < lines.size() ? lines[lineIndex] : QString());
}

}  // namespace velumo::translationfile
