// The screenshot's PNG: composed where the windows live, encoded elsewhere, handed to a caller on
// another thread (the fleet link's) while the user-interface thread goes on; a source with no
// screen makes the command fail with a reason rather than write an empty file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>

#include "base/controlchannel.h"
#include "base/notifier.h"
#include "base/operations.h"
#include "base/screenshotsource.h"
#include "base/worker.h"
#include "fakes/testsupport.h"
#include "fleet/screenshotservice.h"

namespace velumo {
namespace {

class SolidSource final : public ScreenshotSource {
public:
    QImage compose(int maxWidth) override
    {
        ++calls;
        onThread = QThread::currentThread();
        if (!screen)
            return {};
        QImage picture(qMin(1920, maxWidth), 90, QImage::Format_RGB32);
        picture.fill(QColor(10, 200, 30));
        return picture;
    }
    bool screen = true;
    int calls = 0;
    QThread* onThread = nullptr;
};

TEST(ScreenshotServiceTest, CallerOnAnotherThreadGetsThePngComposedOnTheOwnersThread)
{
    QTemporaryDir dir;
    SolidSource source;
    Worker worker("screenshot test");
    ScreenshotService service(dir.path(), source, worker);

    const std::function<QByteArray()> png = service.pngSource();
    QByteArray got;
    std::atomic_bool done = false;
    std::unique_ptr<QThread> link(QThread::create([&] {
        got = png();
        done = true;
    }));
    link->start();
    ASSERT_TRUE(test::waitFor([&] { return done.load(); }, 10000));
    link->wait();
    EXPECT_EQ(source.onThread, QThread::currentThread());
    const QImage decoded = QImage::fromData(got, "PNG");
    ASSERT_EQ(decoded.size(), QSize(ScreenshotService::kMaxWidthPx, 90));
    EXPECT_EQ(decoded.pixelColor(5, 5), QColor(10, 200, 30));

    // On the owner's own thread it answers at once.
    EXPECT_EQ(QImage::fromData(png(), "PNG").size(), decoded.size());

    // Asynchronously: encoded by the worker, delivered back here.
    std::optional<JobResult<QByteArray>> captured;
    service.capture([&](const JobResult<QByteArray>& result) { captured = result; });
    ASSERT_TRUE(test::waitFor([&] { return captured.has_value(); }, 10000));
    ASSERT_TRUE(captured->ok()) << captured->error.toStdString();
    EXPECT_EQ(*captured->value, got);

    // No screen: a reason, no bytes.
    source.screen = false;
    captured.reset();
    EXPECT_THROW(service.capture([&](const JobResult<QByteArray>& r) { captured = r; }),
                 std::exception);
    EXPECT_TRUE(png().isEmpty());
}

// "screenshot FILE" through the control channel writes a picture inside the program folder,
// never outside it (by a path or a link) and never over a file the program keeps.
TEST(ScreenshotServiceTest, CommandWritesOnlyAPictureOfItsOwnInsideTheProgramFolder)
{
    QTemporaryDir dir;
    QTemporaryDir outside;
    SolidSource source;
    Worker worker("screenshot test");
    ScreenshotService service(dir.path(), source, worker);
    test::RecordingNotifier notifier;
    Operations operations;
    ControlServer control(dir.path(), notifier, nullptr, operations);
    service.addControl(control);
    const auto send = [&control](const QString& line) {
        std::pair<int, QString> got{-1, {}};
        control.execute(line, [&got](int code, const QString& text) { got = {code, text}; });
        EXPECT_TRUE(test::waitFor([&got] { return got.first >= 0; }, 10000));
        return got;
    };
    ASSERT_TRUE(QDir(dir.path()).mkpath("asrun"));
    ASSERT_TRUE(QFile::link(outside.path(), dir.filePath("out")));
    const QStringList kept{"velumo.cfg",   "velumo_lang.cfg", "fleet.ini", "asrun.key", "asrun.pub",
                           "velumo.log.1", "velumo.state",    "plan.pln",  "news.str",  "news.txt"};
    for (const QString& name : kept)
        test::writeAll(dir.filePath(name), "kept");
    for (const QString& name : kept + QStringList{"asrun/a.png", "velumo.png", "../a.png",
                                                  "out/a.png", outside.filePath("a.png")}) {
        const auto [code, text] = send("screenshot " + name);
        EXPECT_EQ(code, 2) << name.toStdString() << ": " << text.toStdString();
        EXPECT_TRUE(text.startsWith("Снимок экрана")) << text.toStdString();
        EXPECT_TRUE(!kept.contains(name) || test::readAll(dir.filePath(name)) == "kept");
    }
    EXPECT_TRUE(QDir(outside.path()).isEmpty());
    EXPECT_EQ(send("screenshot a.png").first, 0);
    EXPECT_FALSE(QImage(dir.filePath("a.png")).isNull());
}

}  // namespace
}  // namespace velumo
