#pragma once

#include <QWidget>

namespace velumo {

// The diagram of how a plan file is processed.
class PlanDiagramWindow : public QWidget {
    Q_OBJECT
public:
    explicit PlanDiagramWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
