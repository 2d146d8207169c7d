#include "webwindow.h"

namespace velumo {

WebWindow::WebWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TFormSite"));
    resize(800, 600);
}

}  // namespace velumo
