#include "plandiagramwindow.h"

namespace velumo {

PlanDiagramWindow::PlanDiagramWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TForm8"));
    setWindowTitle(QStringLiteral("Алгоритм обработки план-файла"));
    resize(640, 480);
}

}  // namespace velumo
