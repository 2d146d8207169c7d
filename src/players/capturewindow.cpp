#include "capturewindow.h"

namespace velumo {

CaptureWindow::CaptureWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TVideoForm"));
    resize(640, 480);
}

}  // namespace velumo
