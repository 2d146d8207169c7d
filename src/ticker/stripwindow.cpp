#include "stripwindow.h"

namespace velumo {

StripWindow::StripWindow(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("TForm4"));
    resize(400, 40);
}

}  // namespace velumo
