#pragma once

#include <QWidget>

namespace velumo {

// The video capture window.
class CaptureWindow : public QWidget {
    Q_OBJECT
public:
    explicit CaptureWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
