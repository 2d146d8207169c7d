#pragma once

#include <QWidget>

namespace velumo {

// The internal clip player window.
class ClipWindow : public QWidget {
    Q_OBJECT
public:
    explicit ClipWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
