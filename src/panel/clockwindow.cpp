#include "clockwindow.h"

namespace velumo {

ClockWindow::ClockWindow(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("Tclockfor"));
    resize(307, 90);
}

}  // namespace velumo
