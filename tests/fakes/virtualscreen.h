#pragma once

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>

#include "fakes/programrun.h"
#include "fakes/testsupport.h"

namespace velumo::test {

// A virtual X server (Xvfb, 1280x720 unless set, 24 bits) for a whole-program test, on the first
// free display of a range (each test program has its own range, so that tests run side by side),
// and the program's environment on it: the xcb platform on that display. Stopped with the test.
class VirtualScreen {
public:
    VirtualScreen() = default;
    ~VirtualScreen() { stop(); }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    // The screen's size, set before start().
    void setSize(int width, int height)
    {
        m_size = QStringLiteral("%1x%2x24").arg(width).arg(height);
    }

    // False with the reason when there is no Xvfb, no free display or it does not come up.
    bool start(int firstDisplay, int lastDisplay, QString* why,
               const QStringList& extraArguments = {})
    {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (xvfb.isEmpty()) {
            *why = QStringLiteral("Xvfb is not installed");
            return false;
        }
        for (int n = firstDisplay; n <= lastDisplay && m_display.isEmpty(); ++n)
            if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
                !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                m_display = QStringLiteral(":%1").arg(n);
        if (m_display.isEmpty()) {
            *why = QStringLiteral("no free display from :%1 to :%2")
                       .arg(firstDisplay)
                       .arg(lastDisplay);
            return false;
        }
        m_server.start(xvfb, QStringList{m_display, "-screen", "0", m_size, "-nolisten", "tcp"} +
                                 extraArguments);
        if (!waitFor([&] { return QFileInfo::exists("/tmp/.X11-unix/X" + m_display.mid(1)); },
                     10000, 20)) {
            *why = QStringLiteral("Xvfb did not come up on ") + m_display;
            return false;
        }
        return true;
    }

    void stop()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.terminate();
        m_server.waitForFinished(3000);
    }

    const QString& display() const { return m_display; }

    // The program's environment (programEnvironment()) on this display.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = programEnvironment();
        env.insert("DISPLAY", m_display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        return env;
    }

private:
    QString m_size = QStringLiteral("1280x720x24");
    QString m_display;
    QProcess m_server;
};

}  // namespace velumo::test
