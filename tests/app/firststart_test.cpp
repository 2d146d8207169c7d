// A first start for real: the program on an empty folder (no velumo.cfg: the strip at its design
// place, left 600, top 400, width 400) under a virtual X server of the two screen sizes a
// station has most often. Every window it shows stands on the screen, clear of the strip and
// of the others, and the main window is no larger than the screen; "show" keeps it so.
#include <gtest/gtest.h>
#include <QFileInfo>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>

#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fakes/virtualscreen.h"

namespace velumo {
namespace {

QString run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

class FirstStart : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override
    {
        xdotool = QStandardPaths::findExecutable("xdotool");
        ASSERT_FALSE(xdotool.isEmpty()) << "xdotool is not installed";
        xprop = QStandardPaths::findExecutable("xprop");
        ASSERT_FALSE(xprop.isEmpty()) << "xprop is not installed";
        const QSize size = GetParam();
        QString why;
        xserver.setSize(size.width(), size.height());
        ASSERT_TRUE(xserver.start(181, 200, &why)) << why.toStdString();
        display = xserver.display();
        env = xserver.environment();
    }
    void TearDown() override
    {
        program.stop();
        xserver.stop();
    }

    // The program's windows on the screen: name and rectangle.
    QList<std::pair<QString, QRect>> visibleWindows()
    {
        QList<std::pair<QString, QRect>> windows;
        const QStringList ids =
            run(xdotool, {"search", "--onlyvisible", "--pid", QString::number(program.pid())}, env)
                .split(u'\n', Qt::SkipEmptyParts);
        static const QRegularExpression position(QStringLiteral("Position: (-?\\d+),(-?\\d+)"));
        static const QRegularExpression geometry(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
        for (const QString& id : ids) {
            const QString name = run(xdotool, {"getwindowname", id}, env).trimmed();
            // A message box (the first start's loading message) is centred by the toolkit.
            if (run(xprop, {"-id", id, "_NET_WM_WINDOW_TYPE"}, env).contains("DIALOG"))
                continue;
            const QString text = run(xdotool, {"getwindowgeometry", id}, env);
            const auto at = position.match(text);
            const auto size = geometry.match(text);
            if (!at.hasMatch() || !size.hasMatch())
                continue;
            windows.append({name, QRect(at.captured(1).toInt(), at.captured(2).toInt(),
                                        size.captured(1).toInt(), size.captured(2).toInt())});
        }
        return windows;
    }

    void expectPlacedApart(const char* when)
    {
        const QRect screen(QPoint(0, 0), GetParam());
        const QRect strip(600, 400, 400, 64);
        QList<std::pair<QString, QRect>> windows;
        // The windows come up one after another: wait until the main window and the panel are.
        test::waitFor(
            [&] {
                windows = visibleWindows();
                return windows.size() >= 2;
            },
            10000, 100);
        QStringList seen;
        for (const auto& [name, rect] : windows)
            seen.append(QStringLiteral("%1 %2,%3 %4x%5")
                            .arg(name)
                            .arg(rect.x())
                            .arg(rect.y())
                            .arg(rect.width())
                            .arg(rect.height()));
        const std::string all = (when + (u' ' + seen.join(QStringLiteral("; ")))).toStdString();
        ASSERT_GE(windows.size(), 2) << all;
        // The strip itself stands where its settings put it.
        auto isStrip = [&](const QRect& rect) { return rect.topLeft() == strip.topLeft(); };
        for (qsizetype i = 0; i < windows.size(); ++i) {
            const QRect& rect = windows[i].second;
            if (isStrip(rect))
                continue;
            EXPECT_TRUE(screen.contains(rect)) << all;
            EXPECT_FALSE(rect.intersects(strip)) << all;
            for (qsizetype j = i + 1; j < windows.size(); ++j) {
                if (!isStrip(windows[j].second)) {
                    EXPECT_FALSE(rect.intersects(windows[j].second)) << all;
                }
            }
        }
    }

    QString xdotool;
    QString xprop;
    QString display;
    QProcessEnvironment env;
    test::VirtualScreen xserver;
    QTemporaryDir dir;
    test::Program program{dir.path()};
};

TEST_P(FirstStart, EveryWindowStandsOnTheScreenClearOfTheStripAndOfEachOther)
{
    program.start({"r"}, env);
    ASSERT_TRUE(program.waitReady());
    expectPlacedApart("after r:");
    ASSERT_EQ(program.send("show").code, 0);
    ASSERT_EQ(program.send("panel show").code, 0);
    expectPlacedApart("after show:");
}

INSTANTIATE_TEST_SUITE_P(Screens, FirstStart,
                         ::testing::Values(QSize(1280, 720), QSize(1920, 1080)),
                         [](const auto& info) {
                             return std::to_string(info.param.width()) + "x" +
                                    std::to_string(info.param.height());
                         });

}  // namespace
}  // namespace velumo
