#include "clipwindow.h"

namespace velumo {

ClipWindow::ClipWindow(QWidget* parent) : PictureWindow(parent)
{
    setObjectName(QStringLiteral("TFormAVI"));
}

}  // namespace velumo
