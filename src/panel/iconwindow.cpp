#include "iconwindow.h"

namespace velumo {

IconWindow::IconWindow(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("Tformicon"));
    resize(119, 115);
}

}  // namespace velumo
