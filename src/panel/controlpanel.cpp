#include "controlpanel.h"

namespace velumo {

ControlPanel::ControlPanel(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QStringLiteral("                                         Панель ручного управления Velumo7"));
    resize(591, 341);
}

}  // namespace velumo
