#include "desktopline.h"

namespace velumo {

DesktopLine::DesktopLine(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("DesktopLine"));
    setStyleSheet(QStringLiteral("color: #8a5a00;"));
    setTextFormat(Qt::PlainText);
    setToolTip(QStringLiteral("Чего не хватает рабочему столу для полной работы станции"));
    // A long text must not widen the window.
    setMinimumWidth(0);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setVisible(false);
}

void DesktopLine::setMissing(const QStringList& texts)
{
    if (texts == m_missing && !text().isEmpty() == !texts.isEmpty())
        return;
    m_missing = texts;
    setText(texts.join(u'\n'));
    setVisible(!texts.isEmpty());
}

QLabel* userServiceHint()
{
    auto* hint = new QLabel(QStringLiteral("или служба"));
    hint->setObjectName(QStringLiteral("UserServiceHint"));
    hint->setToolTip(QStringLiteral(
        "Программу можно запускать службой пользователя systemd (она перезапускается, если "
        "зависнет): systemctl --user enable --now velumo"));
    hint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return hint;
}

}  // namespace velumo
