#pragma once

#include "players/picturewindow.h"

namespace velumo {

// The internal clip player window (TFormAVI).
class ClipWindow final : public PictureWindow {
    Q_OBJECT
public:
    explicit ClipWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
