#include <gtest/gtest.h>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "base/eventlog.h"
#include "base/settings.h"
#include "base/timer.h"
#include "fakes/testsupport.h"
#include "players/slides/presentationconverter.h"
#include "players/slides/slideshowplayer.h"
#include "players/slides/slideshowtiming.h"
#include "players/slides/slideshowwindow.h"
#include "players/slideshowfiles.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// The real thing: LibreOffice converts a presentation the test writes itself (three slides of
// distinct colours on 2, 1 and 3 s and a hidden one) once for all the cases, and the slide-show
// window shows it.
class SlideShowWindowTest : public ::testing::Test {
protected:
    static inline QTemporaryDir* s_dir = nullptr;
    static inline QString s_show;
    static inline std::optional<Presentation> s_converted;
    static inline QString s_reason;

    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
            return;
        s_dir = new QTemporaryDir;
        s_show = s_dir->path() + QStringLiteral("/colours.fodp");
        writeAll(s_show, flatPresentation({{"#ff0000", "PT2S"},
                                           {"#00ff00", "PT1S"},
                                           {"#ffff00", "PT5S", true},
                                           {"#0000ff", "PT3S"}}));
        PresentationConverter converter(cache());
        QSignalSpy ok(&converter, &PresentationConverter::converted);
        QSignalSpy failed(&converter, &PresentationConverter::conversionFailed);
        converter.convert(s_show);
        if (!QTest::qWaitFor([&] { return ok.size() + failed.size() > 0; }, 120'000))
            s_reason = QStringLiteral("LibreOffice gave no answer in 120 s");
        if (!ok.isEmpty())
            s_converted = ok.at(0).at(1).value<Presentation>();
        else if (!failed.isEmpty())
            s_reason = failed.at(0).at(1).toString();
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }
    static QString cache() { return s_dir->path() + QStringLiteral("/cache"); }

    void SetUp() override
    {
        if (!s_dir)
            GTEST_SKIP() << "LibreOffice (soffice) is not installed";
        ASSERT_TRUE(s_converted) << s_reason.toStdString();
    }

    // The colour at the middle of the window, as it is on the screen.
    static QColor middle(QWidget& window)
    {
        const QImage shot = window.grab().toImage();
        return shot.pixelColor(shot.width() / 2, shot.height() / 2);
    }
    static bool near(const QColor& a, const QColor& b)
    {
        return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
               std::abs(a.blue() - b.blue()) < 40;
    }
};

TEST_F(SlideShowWindowTest, LibreOfficeKeepsTheTimingsAndLeavesTheHiddenSlideOut)
{
    EXPECT_EQ(s_converted->durations, (QList<std::optional<double>>{2.0, 1.0, 3.0}));
    SlideShowWindow window;
    std::optional<std::pair<int, QString>> opened;
    window.open(s_converted->pages,
                [&](int pages, const QString& failure) { opened.emplace(pages, failure); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened.has_value(); }, 10'000));
    EXPECT_EQ(opened->second, QString()) << opened->second.toStdString();
    EXPECT_EQ(opened->first, 3);
    EXPECT_EQ(window.pageCount(), 3);
}

// A PowerPoint file and an ODF package (made by LibreOffice from the same slides) go the other
// way: their timings are read from the packages themselves, and LibreOffice makes the pages.
TEST_F(SlideShowWindowTest, PowerPointTimingsSurviveTheConversion)
{
    QTemporaryDir dir;
    for (const QString& kind : {QStringLiteral("pptx"), QStringLiteral("odp")}) {
        QProcess office;
        office.start(QStringLiteral("soffice"),
                     {QStringLiteral("-env:UserInstallation=") +
                          QUrl::fromLocalFile(dir.path() + QStringLiteral("/profile")).toString(),
                      QStringLiteral("--headless"), QStringLiteral("--convert-to"), kind,
                      QStringLiteral("--outdir"), dir.path(), s_show});
        ASSERT_TRUE(office.waitForFinished(120'000));
        const QString made = dir.path() + QStringLiteral("/colours.") + kind;
        ASSERT_TRUE(QFileInfo::exists(made)) << office.readAll().toStdString();

        // Straight from the file: all four slides in their order, the third one hidden.
        const std::optional<QList<slideshowtiming::SlideTiming>> slides =
            slideshowtiming::readPresentation(made);
        ASSERT_TRUE(slides) << kind.toStdString();
        QList<std::optional<double>> all;
        QList<std::optional<double>> visible;
        QList<bool> hidden;
        for (const slideshowtiming::SlideTiming& slide : *slides) {
            all.append(slide.seconds);
            hidden.append(slide.hidden);
            if (!slide.hidden)
                visible.append(slide.seconds);
        }
        EXPECT_EQ(all, (QList<std::optional<double>>{2.0, 1.0, 5.0, 3.0})) << kind.toStdString();
        EXPECT_EQ(hidden, (QList<bool>{false, false, true, false})) << kind.toStdString();
        EXPECT_EQ(slideshowtiming::showSeconds(visible), 6);

        PresentationConverter converter(dir.path() + QStringLiteral("/cache"));
        QSignalSpy ok(&converter, &PresentationConverter::converted);
        QSignalSpy failed(&converter, &PresentationConverter::conversionFailed);
        converter.convert(made);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ok.size() + failed.size() > 0; }, 120'000));
        ASSERT_EQ(ok.size(), 1) << failed.at(0).at(1).toString().toStdString();
        const Presentation presentation = ok.at(0).at(1).value<Presentation>();
        EXPECT_EQ(presentation.durations, (QList<std::optional<double>>{2.0, 1.0, 3.0}));
        SlideShowWindow window;
        QString failure = QStringLiteral("no answer");
        window.open(presentation.pages, [&](int, const QString& f) { failure = f; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return failure != QStringLiteral("no answer"); }));
        EXPECT_EQ(failure, QString());
        EXPECT_EQ(window.pageCount(), 3);
    }
}

TEST_F(SlideShowWindowTest, TheColoursInTheirOrderAtTheRectangleAndTheParkGoesOn)
{
    QTemporaryDir dir;
    EventLog log(dir.path() + QStringLiteral("/velumo.log"));
    Settings settings;
    RecordingNotifier notifier;
    PresentationConverter converter(cache());
    SlideShowWindow window;
    QtTimerFactory timers;
    SlideShowPlayer player(settings, notifier, log, timers, converter, window);

    QSignalSpy on(&player, &ContentPlayer::onScreen);
    player.start({u'p', QStringLiteral("1"), s_show, QRect(40, 30, 320, 240)});
    // From the cache: the pages are opened and rendered by the render thread, so start()
    // returns at once and the first slide follows.
    EXPECT_EQ(on.size(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return on.size() == 1; }, 10'000));
    EXPECT_EQ(player.seconds(), 6);
    EXPECT_EQ(player.label133(), QStringLiteral("6 с или 0мин.6 сек. для 3 слайдов"));
    EXPECT_EQ(player.timerPpt().interval(), 6000);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), QRect(40, 30, 320, 240));
    EXPECT_TRUE(near(middle(window), Qt::red)) << middle(window).name().toStdString();

    ASSERT_TRUE(QTest::qWaitFor([&] { return player.currentSlide() == 2; }, 10'000));
    EXPECT_TRUE(near(middle(window), Qt::green)) << middle(window).name().toStdString();

    // Parked on the second slide: above the screen, and the show goes on to the third.
    player.park();
    EXPECT_EQ(window.geometry(), QRect(40, -440, 320, 240));
    EXPECT_TRUE(window.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return player.currentSlide() == 3; }, 10'000));
    EXPECT_TRUE(near(middle(window), Qt::blue)) << middle(window).name().toStdString();
    EXPECT_TRUE(player.timerPpt().isActive());

    player.stop();
    EXPECT_FALSE(window.isVisible());
}

// The render thread's answers, on pages written here (no LibreOffice needed): the file opened
// or why not, each page painted only once its picture has come, and nothing of an open that
// was replaced or closed meanwhile.
class SlideShowWindowPages : public ::testing::Test {
protected:
    // A PDF of one page per colour.
    QString writePdf(const QString& name, const QList<QColor>& colours)
    {
        const QString path = dir.path() + u'/' + name;
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A5));
        writer.setPageOrientation(QPageLayout::Landscape);
        QPainter painter(&writer);
        for (qsizetype i = 0; i < colours.size(); ++i) {
            if (i > 0)
                writer.newPage();
            painter.fillRect(QRect(0, 0, writer.width(), writer.height()), colours[i]);
        }
        return path;
    }
    static QColor middle(QWidget& window)
    {
        const QImage shot = window.grab().toImage();
        return shot.pixelColor(shot.width() / 2, shot.height() / 2);
    }
    QTemporaryDir dir;
    SlideShowWindow window;
    QList<std::pair<int, QString>> opened;
    SlideSurface::Opened record = [this](int pages, const QString& failure) {
        opened.append({pages, failure});
    };
};

TEST_F(SlideShowWindowPages, AFileThatIsNoPdfSaysSoAndShowsNothing)
{
    writeAll(dir.path() + QStringLiteral("/broken.pdf"), "not a PDF at all");
    for (const QString& file :
         {dir.path() + QStringLiteral("/broken.pdf"), dir.path() + QStringLiteral("/none.pdf")}) {
        opened.clear();
        window.open(file, record);
        EXPECT_TRUE(opened.isEmpty());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 10'000));
        EXPECT_EQ(opened.first().first, 0);
        EXPECT_TRUE(opened.first().second.startsWith(QStringLiteral("PDF error ")))
            << opened.first().second.toStdString();
        EXPECT_EQ(window.pageCount(), 0);
        EXPECT_FALSE(window.isVisible());
    }
}

TEST_F(SlideShowWindowPages, PagesArePaintedWhenTheirPicturesCome)
{
    window.place(QRect(10, 10, 320, 240));
    window.open(writePdf(QStringLiteral("two.pdf"), {Qt::red, Qt::blue}), record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 10'000));
    EXPECT_EQ(opened.first(), std::make_pair(2, QString()));
    bool shown = false;
    window.showPage(0, [&] { shown = true; });
    EXPECT_FALSE(shown);
    EXPECT_FALSE(window.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown; }, 10'000));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(middle(window).red(), 255) << middle(window).name().toStdString();
    shown = false;
    window.showPage(1, [&] { shown = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown; }, 10'000));
    EXPECT_EQ(middle(window).blue(), 255) << middle(window).name().toStdString();
    // A page asked for and replaced before its picture came is never painted.
    bool first = false;
    bool second = false;
    window.showPage(0, [&] { first = true; });
    window.showPage(1, [&] { second = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return second; }, 10'000));
    QTest::qWait(100);
    EXPECT_FALSE(first);
    EXPECT_EQ(middle(window).blue(), 255);
}

TEST_F(SlideShowWindowPages, AnOpenReplacedOrClosedMeanwhileIsNotAnswered)
{
    const QString one = writePdf(QStringLiteral("one.pdf"), {Qt::green});
    const QString two = writePdf(QStringLiteral("two.pdf"), {Qt::red, Qt::blue});
    bool earlier = false;
    window.open(one, [&](int, const QString&) { earlier = true; });
    window.open(two, record);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 10'000));
    EXPECT_EQ(opened.first(), std::make_pair(2, QString()));
    QTest::qWait(100);
    EXPECT_FALSE(earlier);
    window.open(one, [&](int, const QString&) { earlier = true; });
    window.close();
    QTest::qWait(300);
    EXPECT_FALSE(earlier);
    EXPECT_EQ(window.pageCount(), 0);
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
