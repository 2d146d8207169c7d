#include "cameracapturebackend.h"

#include <QCamera>
#include <utility>

#include "base/guard.h"
#include "players/picturewindow.h"

namespace velumo {

CameraCaptureBackend::CameraCaptureBackend(PictureWindow& window, QObject* parent)
    : CaptureBackend(parent), m_window(window)
{
    m_session.setVideoSink(&m_sink);
    connect(&m_mediaDevices, &QMediaDevices::videoInputsChanged, this,
            &CaptureBackend::devicesChanged);  // plain: a signal passed on
    connectGuarded(&m_sink, &QVideoSink::videoFrameChanged, &m_converter,
                   Origin::unattended(QStringLiteral("cameracapturebackend")),
                   &PictureConverter::take, Qt::DirectConnection);
    connectGuarded(&m_converter, &PictureConverter::picture, this,
                   Origin::unattended(QStringLiteral("cameracapturebackend")),
                   [this](const QImage& image) {
                       if (!m_camera || !m_window.isVisible())
                           return;
                       m_window.setPicture(image);
                       // The first frame through the pipeline, in the window from here on.
                       if (std::exchange(m_awaitingPicture, false))
                           emit firstPicture();
                   });
    connectGuarded(&window, &PictureWindow::resized, &m_converter,
                   Origin::unattended(QStringLiteral("cameracapturebackend")),
                   &PictureConverter::setTargetSize);
    m_converter.setTargetSize(window.size());
}

CameraCaptureBackend::~CameraCaptureBackend()
{
    close();
}

QStringList CameraCaptureBackend::devices() const
{
    QStringList names;
    for (const QCameraDevice& device : QMediaDevices::videoInputs())
        names.append(device.description());
    return names;
}

bool CameraCaptureBackend::open(int index)
{
    close();
    const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
    if (index < 0 || index >= inputs.size()) {
        m_error = QStringLiteral("no video capture device");
        return false;
    }
    m_camera = std::make_unique<QCamera>(inputs[index]);
    connectGuarded(m_camera.get(), &QCamera::errorOccurred, this,
                   Origin::unattended(QStringLiteral("cameracapturebackend")),
                   [this](QCamera::Error error, const QString& text) {
                       if (error != QCamera::NoError)
                           emit lost(text);
                   });
    m_session.setCamera(m_camera.get());
    m_camera->start();
    // A camera that cannot start does not always say so by a signal.
    if (m_camera->error() != QCamera::NoError || !m_camera->isAvailable()) {
        m_error = m_camera->errorString().isEmpty()
                      ? QStringLiteral("the capture device cannot be opened")
                      : m_camera->errorString();
        close();
        return false;
    }
    m_awaitingPicture = true;
    return true;
}

void CameraCaptureBackend::close()
{
    if (!m_camera)
        return;
    m_awaitingPicture = false;
    m_session.setCamera(nullptr);
    m_camera->disconnect(this);
    m_camera.reset();
    m_window.blank();
}

void CameraCaptureBackend::place(const QRect& rect)
{
    m_converter.setTargetSize(rect.size());
    m_window.setGeometry(rect);
}

void CameraCaptureBackend::showWindow()
{
    m_window.show();
}

void CameraCaptureBackend::hideWindow()
{
    m_window.hide();
}

}  // namespace velumo
