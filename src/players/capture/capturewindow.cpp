#include "capturewindow.h"

namespace velumo {

CaptureWindow::CaptureWindow(QWidget* parent) : PictureWindow(parent)
{
    setObjectName(QStringLiteral("TVideoForm"));
    setWindowTitle(QStringLiteral("Video Capture Devices"));
}

}  // namespace velumo
