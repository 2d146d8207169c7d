#pragma once

#include <QWidget>

namespace velumo {

// The operator's floating control panel.
class ControlPanel : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanel(QWidget* parent = nullptr);
};

}  // namespace velumo
