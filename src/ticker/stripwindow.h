#pragma once

#include <QWidget>

namespace velumo {

// The ticker strip: a borderless, always-on-top tool window that takes no focus.
class StripWindow : public QWidget {
    Q_OBJECT
public:
    explicit StripWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
