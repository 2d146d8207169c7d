#pragma once

#include <QWidget>

namespace velumo {

// The thematic icon beside the strip.
class IconWindow : public QWidget {
    Q_OBJECT
public:
    explicit IconWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
