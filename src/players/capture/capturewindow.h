#pragma once

#include "players/picturewindow.h"

namespace velumo {

// The video capture window (TVideoForm).
class CaptureWindow final : public PictureWindow {
    Q_OBJECT
public:
    explicit CaptureWindow(QWidget* parent = nullptr);
};

}  // namespace velumo
