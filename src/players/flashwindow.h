#pragma once

#include <QWidget>

namespace velumo {

// The Flash movie window.
class FlashWindow : public QWidget {
    Q_OBJECT
public:
    explicit FlashWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
