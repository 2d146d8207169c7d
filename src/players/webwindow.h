#pragma once

#include <QWidget>

namespace velumo {

// The web page window.
class WebWindow : public QWidget {
    Q_OBJECT
public:
    explicit WebWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
