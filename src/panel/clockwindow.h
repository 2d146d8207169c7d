#pragma once

#include <QWidget>

namespace velumo {

// The clock beside the strip.
class ClockWindow : public QWidget {
    Q_OBJECT
public:
    explicit ClockWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
