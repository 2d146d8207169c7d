#include "componenttext.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

namespace velumo {

void readComponentText(const QObject* object, UiComponent& c)
{
    if (auto* widget = qobject_cast<const QWidget*>(object))
        c.hint = widget->toolTip();
    if (auto* label = qobject_cast<const QLabel*>(object))
        c.caption = label->text();
    else if (auto* box = qobject_cast<const QGroupBox*>(object))
        c.caption = box->title();
    else if (auto* button = qobject_cast<const QAbstractButton*>(object))
        c.caption = button->text();
}

void applyComponentText(QObject* object, const UiComponent& c)
{
    switch (c.cls) {
        case ComponentClass::Edit:
        case ComponentClass::Combo:
            if (auto* widget = qobject_cast<QWidget*>(object))
                widget->setToolTip(c.hint);
            break;
        case ComponentClass::Label:
            if (auto* label = qobject_cast<QLabel*>(object))
                label->setText(c.caption);
            break;
        case ComponentClass::GroupBox:
            if (auto* box = qobject_cast<QGroupBox*>(object))
                box->setTitle(c.caption);
            break;
        case ComponentClass::CheckBox:
            if (auto* button = qobject_cast<QAbstractButton*>(object))
                button->setText(c.caption);
            break;
        case ComponentClass::Button:
            if (auto* button = qobject_cast<QAbstractButton*>(object)) {
                button->setText(c.caption);
                button->setToolTip(c.hint);
            }
            break;
        default:
            break;
    }
}

}  // namespace velumo
