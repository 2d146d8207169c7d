// The screenshot's PNG: composed where the windows live, encoded elsewhere, handed to a caller on
// another thread (the fleet link's) while the user-interface thread goes on; a source with no
// screen makes the command fail with a reason rather than write an empty file.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>

#include "base/notifier.h"
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

}  // namespace
}  // namespace velumo
