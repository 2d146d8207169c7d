#pragma once

#include <QRect>
#include <QStringList>

namespace velumo::test {

// The window part of a recording fake: what it was asked ("place 10,20 640x480", "show",
// "hide"), in one list with the fake's other calls, and whether it is shown.
struct RecordedWindow {
    void recordPlace(const QRect& r)
    {
        calls.append(QStringLiteral("place %1,%2 %3x%4")
                         .arg(r.x())
                         .arg(r.y())
                         .arg(r.width())
                         .arg(r.height()));
    }
    void recordShow()
    {
        visible = true;
        calls.append(QStringLiteral("show"));
    }
    void recordHide()
    {
        visible = false;
        calls.append(QStringLiteral("hide"));
    }

    QStringList calls;
    bool visible = false;
};

}  // namespace velumo::test
