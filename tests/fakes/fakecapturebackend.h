#pragma once

#include <QStringList>

#include "players/capturebackend.h"

namespace velumo::test {

// Capture devices the test plugs in and pulls out; records what the broadcast asked.
class FakeCaptureBackend final : public CaptureBackend {
public:
    QStringList devices() const override { return plugged; }
    bool open(int index) override
    {
        calls.append(QStringLiteral("open %1").arg(index));
        if (refuse || index < 0 || index >= plugged.size())
            return false;
        opened = plugged[index];
        return true;
    }
    void close() override
    {
        if (!opened.isEmpty())
            calls.append(QStringLiteral("close"));
        opened.clear();
    }
    QString errorString() const override { return QStringLiteral("device busy"); }
    void place(const QRect& r) override
    {
        calls.append(QStringLiteral("place %1,%2 %3x%4")
                         .arg(r.x())
                         .arg(r.y())
                         .arg(r.width())
                         .arg(r.height()));
    }
    void showWindow() override
    {
        visible = true;
        calls.append(QStringLiteral("show"));
    }
    void hideWindow() override
    {
        visible = false;
        calls.append(QStringLiteral("hide"));
    }

    void plug(const QStringList& devices)
    {
        plugged = devices;
        emit devicesChanged();
    }

    QStringList plugged;
    QStringList calls;
    QString opened;
    bool refuse = false;
    bool visible = false;
};

}  // namespace velumo::test
