#pragma once

#include <QObject>
#include <QRect>
#include <QStringList>

namespace velumo {

// The capture device and its window as the broadcast sees them: the system's video inputs by
// their descriptions, in the system's order; one of them shown in the window at a time.
class CaptureBackend : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QStringList devices() const = 0;
    // Shows the picture of the device at index; false (errorString() says why) when it cannot.
    virtual bool open(int index) = 0;
    // Deactivates the picture.
    virtual void close() = 0;
    virtual QString errorString() const = 0;

    virtual void place(const QRect& rect) = 0;
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;

signals:
    // A device came or went.
    void devicesChanged();
    // The open device stopped giving pictures.
    void lost(const QString& reason);
    // The first picture from the device opened last has reached the window (once an open()).
    void firstPicture();
};

}  // namespace velumo
