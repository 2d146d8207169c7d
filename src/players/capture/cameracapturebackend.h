#pragma once

#include <QCameraDevice>
#include <QList>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QVideoSink>
#include <memory>

#include "players/capture/capturebackend.h"
#include "players/pictureconverter.h"

class QCamera;

namespace velumo {

class PictureWindow;

// The capture over Qt Multimedia: QCamera (V4L2) in a capture session into a video sink whose
// pictures the capture window draws. The devices are the system's video inputs by their
// descriptions. The window must outlive it.
class CameraCaptureBackend final : public CaptureBackend {
    Q_OBJECT
public:
    explicit CameraCaptureBackend(PictureWindow& window, QObject* parent = nullptr);
    ~CameraCaptureBackend() override;

    QStringList devices() const override;
    bool open(int index) override;
    void close() override;
    QString errorString() const override { return m_error; }
    void place(const QRect& rect) override;
    void showWindow() override;
    void hideWindow() override;

private:
    PictureWindow& m_window;
    QMediaDevices m_mediaDevices;
    QMediaCaptureSession m_session;
    QVideoSink m_sink;
    // Frames become pictures off the user-interface thread.
    PictureConverter m_converter;
    std::unique_ptr<QCamera> m_camera;
    QString m_error;
    // firstPicture() is due for the camera opened last.
    bool m_awaitingPicture = false;
};

}  // namespace velumo
