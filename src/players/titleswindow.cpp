#include "titleswindow.h"

namespace velumo {

TitlesWindow::TitlesWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TTitrForm"));
    resize(640, 120);
}

}  // namespace velumo
