#pragma once

#include <QStringList>

#include "fakes/recordedwindow.h"
#include "players/capture/capturebackend.h"

namespace velumo::test {

// Capture devices the test plugs in and pulls out; records what the broadcast asked.
class FakeCaptureBackend final : public CaptureBackend, public RecordedWindow {
public:
    QStringList devices() const override { return plugged; }
    bool open(int index) override
    {
        calls.append(QStringLiteral("open %1").arg(index));
        if (refuse || index < 0 || index >= plugged.size())
            return false;
        opened = plugged[index];
        // A device gives its first picture a moment after it opens, unless the test holds it.
        if (pictures)
            QMetaObject::invokeMethod(this, &FakeCaptureBackend::picture, Qt::QueuedConnection);
        return true;
    }
    void close() override
    {
        if (!opened.isEmpty())
            calls.append(QStringLiteral("close"));
        opened.clear();
    }
    QString errorString() const override { return QStringLiteral("device busy"); }
    void place(const QRect& r) override { recordPlace(r); }
    void showWindow() override { recordShow(); }
    void hideWindow() override { recordHide(); }

    void plug(const QStringList& devices)
    {
        plugged = devices;
        emit devicesChanged();
    }

    // The open device's first picture reaches the window.
    void picture()
    {
        if (!opened.isEmpty())
            emit firstPicture();
    }

    QStringList plugged;
    QString opened;
    bool refuse = false;
    bool pictures = true;
};

}  // namespace velumo::test
