#include "flashwindow.h"

namespace velumo {

FlashWindow::FlashWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFormFlash"));
    resize(640, 480);
}

}  // namespace velumo
