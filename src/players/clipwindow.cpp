#include "clipwindow.h"

namespace velumo {

ClipWindow::ClipWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFormAVI"));
    resize(640, 480);
}

}  // namespace velumo
