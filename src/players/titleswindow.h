#pragma once

#include <QWidget>

namespace velumo {

// The titles window.
class TitlesWindow : public QWidget {
    Q_OBJECT
public:
    explicit TitlesWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
