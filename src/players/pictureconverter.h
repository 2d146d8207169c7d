#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QVideoFrame>

#include "base/loopthread.h"

namespace velumo {

// Converts video frames into pictures of a window's size on a thread of its own (a LoopThread):
// a frame may come in on any thread, only the newest waiting one is converted, and picture() is
// delivered to the receiver's thread. Used where the frames do not come from a deck.
class PictureConverter final : public QObject {
    Q_OBJECT
public:
    PictureConverter();
    ~PictureConverter() override;

    // Any thread.
    void setTargetSize(const QSize& size);
    void take(const QVideoFrame& frame);

    // 4:2:0 frames are converted and scaled in one pass; other formats take Qt's way.
    static QImage pictureOf(const QVideoFrame& frame, const QSize& target);

signals:
    void picture(const QImage& image);

private:
    // What the conversions use, on the converter's thread. It stays a thread with a loop (not a
    // worker's job per frame): frames come from any thread and only the newest waiting one
    // counts. Apart from this object, so a conversion still going when the converter goes can be
    // left behind.
    class Core;

    LoopThread m_thread;
    Core* m_core;  // owned by m_thread
};

}  // namespace velumo
