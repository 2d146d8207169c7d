// The strip's largest repaint gap as a viewer sees it, with the whole program running: the real
// program runs in a temporary folder on the display (bench/stripgap.sh starts Xvfb), its strip
// along the bottom of a 1280x720 screen moving every frame; this program grabs the strip's
// rectangle from the screen as often as it can and prints the longest time the picture stood
// still, first for the strip alone, then around each case:
//   block   "block load" of a block of 100 000 announcements by the control channel;
//   string  a plan's s line whose slot names such a block (the dispatcher's switch at its second);
//   web     the first w line of the run (a local page);
//   flash   the first f line of the run (a Flash movie in Ruffle);
//   webshow the operator's first "web show" of the run (the page button's own address), with a
//           "status" asked meanwhile: how long its reply took too (prompt: under 100 ms);
//   slides  a slide show's first page, from the conversion cache ("slides test" twice), and its
//           window resized twice.
// Target: under 50 ms each. Usage: stripgap_bench PROGRAM [CASE...] (default: every case).
#include <QDateTime>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/onecolour.h"
#include "fakes/testsupport.h"
#include "players/slideshowfiles.h"
#include "players/webrig.h"

using namespace velumo;

namespace {

constexpr int kStripTopPx = 660;
constexpr int kAnnouncements = 100'000;

QJsonObject status(const QString& folder)
{
    const ControlReply reply = sendControlCommand(folder, QStringLiteral("status"), 1000);
    return reply.code == 0 ? QJsonDocument::fromJson(reply.text.toUtf8()).object() : QJsonObject();
}

QString stamp(const QDateTime& moment)
{
    return moment.toString(u"dd.MM.yy hh:mm:ss");
}

QDateTime wholeSecondAhead(int seconds)
{
    const QDateTime ahead = QDateTime::currentDateTime().addSecs(seconds);
    const QTime time = ahead.time();
    return QDateTime(ahead.date(), QTime(time.hour(), time.minute(), time.second()));
}

// Announcements long enough that the strip always shows moving letters.
QByteArray blockOf(int count)
{
    QString text;
    text.reserve(count * 80);
    for (int i = 0; i < count; ++i)
        text += QStringLiteral(
                    "^%1\r\n~0\r\n1Объявление номер %1: продаётся, сдаётся, "
                    "требуется, звоните\r\n")
                    .arg(i + 1);
    return test::cp1251(text);
}

// Samples the strip on the screen: the longest time between two changes of its picture.
class ScreenSampler {
public:
    explicit ScreenSampler(QRect rect) : m_rect(rect) {}

    // Samples for at least ms milliseconds and as long as busy() holds (at most 60 s more).
    qint64 largestGapMs(int ms, const std::function<bool()>& busy = {})
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        QElapsedTimer clock;
        clock.start();
        QImage previous;
        qint64 lastChangeMs = 0;
        qint64 largest = 0;
        while (clock.elapsed() < ms || (busy && busy() && clock.elapsed() < ms + 60'000)) {
            const QImage now =
                screen->grabWindow(0, m_rect.x(), m_rect.y(), m_rect.width(), m_rect.height())
                    .toImage();
            const qint64 at = clock.elapsed();
            if (now != previous || test::oneColour(now)) {
                if (!previous.isNull())
                    largest = std::max(largest, at - lastChangeMs);
                lastChangeMs = at;
                previous = now;
            }
            QThread::usleep(500);
        }
        return std::max(largest, clock.elapsed() - lastChangeMs);
    }

private:
    QRect m_rect;
};

// The program on a folder of its own, its strip moving.
class Program {
public:
    explicit Program(const std::function<void(Settings&)>& configure)
    {
        folder = m_dir.path();
        writeFileAtomic(folder + "/news.str", blockOf(4));
        Settings settings;
        settings.setText(key::SCEdit5, folder + "/news.str");
        settings.setSpin(key::SpinEdit1, 10);
        settings.setSpin(key::SpinEdit2, 3);
        settings.setText(key::SCEdit43, QString::number(kStripTopPx));
        settings.setText(key::SCEdit45, QStringLiteral("0"));
        settings.setText(key::SCEdit77, QStringLiteral("1280"));
        configure(settings);
        writeFileAtomic(folder + "/velumo.cfg", configfile::save(settings));
    }
    ~Program()
    {
        sendControlCommand(folder, QStringLiteral("close"), 5000);
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // Starts it with "r"; true once its strip moves.
    bool start(const QString& program)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, {"--dir", folder, "r"});
        QElapsedTimer clock;
        clock.start();
        int first = INT_MIN;
        while (clock.elapsed() < 30000 && m_process.state() != QProcess::NotRunning) {
            const QJsonObject object = status(folder);
            const int left = object["onair"].toObject()["strip_left"].toInt(INT_MIN);
            if (first == INT_MIN)
                first = left;
            else if (left != first && left != INT_MIN)
                return true;
            QThread::msleep(20);
        }
        return false;
    }
    qint64 pid() const { return m_process.processId(); }
    QString folder;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
};

// A command sent from a thread of its own while the screen is sampled.
class Sent {
public:
    Sent(const QString& folder, const QString& command)
        : m_thread([this, folder, command] {
              QElapsedTimer clock;
              clock.start();
              m_reply = sendControlCommand(folder, command, 60000);
              m_replyMs = clock.elapsed();
              m_done = true;
          })
    {
    }
    ~Sent() { m_thread.join(); }
    bool done() const { return m_done; }
    const ControlReply& reply() const { return m_reply; }
    // From the send to the reply; valid once done().
    qint64 replyMs() const { return m_replyMs; }

private:
    ControlReply m_reply;
    std::atomic<qint64> m_replyMs = -1;
    std::atomic_bool m_done = false;
    std::thread m_thread;
};

void print(const char* what, qint64 aloneMs, qint64 gapMs)
{
    std::printf("%-58s %5lld ms (strip alone before: %lld ms)%s\n", what,
                static_cast<long long>(gapMs), static_cast<long long>(aloneMs),
                gapMs < 50 ? "" : "  OVER 50 ms");
    std::fflush(stdout);
}

const QRect kStrip(0, kStripTopPx + 4, 1280, 24);

bool blockByCommand(const QString& program)
{
    Program run([](Settings&) {});
    if (!run.start(program))
        return false;
    const QString big = run.folder + "/big.str";
    writeFileAtomic(big, blockOf(kAnnouncements));
    ScreenSampler sampler(kStrip);
    const qint64 alone = sampler.largestGapMs(2000);
    std::unique_ptr<Sent> sent = std::make_unique<Sent>(run.folder, "block load " + big);
    const qint64 gap = sampler.largestGapMs(1500, [&] { return !sent->done(); });
    sent.reset();
    print("block load of 100 000 announcements (control channel)", alone, gap);
    return true;
}

// Starts the program with a plan of one line of the code, 12 s ahead, and prints the strip's
// largest gap from a second before that line's start for sampleMs.
bool planLineGap(Program& run, const QString& program, const QString& planFile, const char* code,
                 int sampleMs, const char* what)
{
    const QDateTime due = wholeSecondAhead(12);
    writeTextLines(planFile,
                   {stamp(due) + '|' + QLatin1String(code) + "|00|" + stamp(due.addSecs(60))});
    if (!run.start(program))
        return false;
    ScreenSampler sampler(kStrip);
    const qint64 alone = sampler.largestGapMs(1500);
    const qint64 toDueMs = QDateTime::currentDateTime().msecsTo(due);
    if (toDueMs < 1500) {
        std::printf("%s: the program took too long to start\n", code);
        return false;
    }
    QThread::msleep(toDueMs - 1000);
    print(what, alone, sampler.largestGapMs(sampleMs));
    // The line ran: its start is in the log (and, for content, its first picture).
    const QStringList events =
        QString::fromUtf8(test::readAll(run.folder + "/velumo.log")).split(u'\n');
    const QString subject = QString(QLatin1Char(code[0])) + u' ' + QLatin1String(code + 1);
    const bool started = !events.filter("\tstart\t").isEmpty();
    const bool shown =
        code[0] == 's' || !events.filter("first picture after ").filter(subject).isEmpty();
    if (!started || !shown) {
        std::printf("%s: the line did not run; velumo.log:\n%s\n", code,
                    qPrintable(events.join(u'\n')));
        return false;
    }
    return true;
}

// The dispatcher on, with plan.pln in the program's folder read and armed at the start (without
// SCCheckbox19 a dispatcher on in the settings resumes nothing); returns the plan's path.
QString armedPlan(Settings& s)
{
    const QString planFile = s.text(key::SCEdit5).section(u'/', 0, -2) + "/plan.pln";
    s.setChecked(key::SCCheckBox6, true);
    s.setChecked(key::SCCheckbox19, true);
    s.setText(key::SCEditn10, planFile);
    return planFile;
}

bool blockByPlan(const QString& program)
{
    QString planFile;
    Program run([&](Settings& s) {
        s.setText(key::SCEdit59, s.text(key::SCEdit5).section(u'/', 0, -2) + "/big.str");
        planFile = armedPlan(s);
    });
    writeFileAtomic(run.folder + "/big.str", blockOf(kAnnouncements));
    return planLineGap(run, program, planFile, "s1", 4000,
                       "plan's s line loading 100 000 announcements");
}

bool firstWebPage(const QString& program)
{
    QString planFile;
    Program run([&](Settings& s) {
        const QString folder = s.text(key::SCEdit5).section(u'/', 0, -2);
        test::writeAll(folder + "/page.html",
                       "<html><body style=\"background:#204080;color:#fff;font:40px sans-serif\">"
                       "<h1>Страница</h1></body></html>");
        s.setText(key::SCEdit1w1, QUrl::fromLocalFile(folder + "/page.html").toString());
        // The page's window above the strip.
        s.setText(key::SCEdit38, QStringLiteral("0"));
        s.setText(key::SCEdit39, QStringLiteral("0"));
        s.setText(key::SCEdit44, QStringLiteral("640"));
        s.setText(key::SCEdit46, QStringLiteral("400"));
        planFile = armedPlan(s);
    });
    return planLineGap(run, program, planFile, "w1", 5000,
                       "first w line of the run (browser engine)");
}

bool firstFlashMovie(const QString& program)
{
    QString planFile;
    Program run([&](Settings& s) {
        const QString folder = s.text(key::SCEdit5).section(u'/', 0, -2);
        test::writeAll(folder + "/movie.swf", test::flashMovie(640, 360, QColor(0x80, 0x40, 0xff)));
        s.setText(key::SCEdit52, folder + "/movie.swf");
        // The movie's window above the strip.
        s.setSpin(key::SpinEdit45, 0);
        s.setSpin(key::SpinEdit47, 0);
        s.setSpin(key::SpinEdit46, 640);
        s.setSpin(key::SpinEdit48, 360);
        planFile = armedPlan(s);
    });
    return planLineGap(run, program, planFile, "f4", 6000,
                       "first f line of the run (browser engine, Ruffle)");
}

// The operator's "web show" with the page's own address in the settings (a page configured,
// no plan), and a "status" sent 20 ms after it.
bool firstWebShow(const QString& program)
{
    Program run([&](Settings& s) {
        const QString folder = s.text(key::SCEdit5).section(u'/', 0, -2);
        test::writeAll(folder + "/page.html",
                       "<html><body style=\"background:#802040;color:#fff;font:40px sans-serif\">"
                       "<h1>Страница</h1></body></html>");
        s.setText(key::SCEdit36, QUrl::fromLocalFile(folder + "/page.html").toString());
        // The page's window above the strip.
        s.setText(key::SCEdit38, QStringLiteral("0"));
        s.setText(key::SCEdit39, QStringLiteral("0"));
        s.setText(key::SCEdit44, QStringLiteral("640"));
        s.setText(key::SCEdit46, QStringLiteral("400"));
    });
    if (!run.start(program))
        return false;
    ScreenSampler sampler(kStrip);
    const qint64 alone = sampler.largestGapMs(1500);
    std::unique_ptr<Sent> show = std::make_unique<Sent>(run.folder, "web show");
    QThread::msleep(20);
    std::unique_ptr<Sent> asked = std::make_unique<Sent>(run.folder, "status");
    const qint64 gap = sampler.largestGapMs(5000, [&] { return !show->done() || !asked->done(); });
    print("first web show of the run (the operator's page)", alone, gap);
    QElapsedTimer quiet;
    quiet.start();
    const ControlReply later = sendControlCommand(run.folder, QStringLiteral("status"), 5000);
    const qint64 quietMs = quiet.elapsed();
    std::printf("%-58s %5lld ms (web show's own reply %lld ms; status later %lld ms)%s\n",
                "status asked 20 ms after it, its reply", static_cast<long long>(asked->replyMs()),
                static_cast<long long>(show->replyMs()), static_cast<long long>(quietMs),
                asked->replyMs() < 100 ? "" : "  OVER 100 ms");
    const QStringList events =
        QString::fromUtf8(test::readAll(run.folder + "/velumo.log")).split(u'\n');
    if (show->reply().code != 0 || later.code != 0 ||
        events.filter("first picture after ").filter("page.html").isEmpty()) {
        std::printf("webshow: the page was not shown; velumo.log:\n%s\n",
                    qPrintable(events.join(u'\n')));
        return false;
    }
    return true;
}

QByteArray geometryOf(const QString& window)
{
    QProcess geometry;
    geometry.start(QStringLiteral("xdotool"), {"getwindowgeometry", window});
    geometry.waitForFinished(5000);
    return geometry.readAllStandardOutput();
}

// The program's window of the given size ("800x450").
QString windowOfSize(qint64 pid, const QByteArray& size)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {"search", "--onlyvisible", "--pid", QString::number(pid)});
    search.waitForFinished(5000);
    for (const QString& id : QString::fromLatin1(search.readAllStandardOutput()).split(u'\n')) {
        if (!id.trimmed().isEmpty() && geometryOf(id.trimmed()).contains(size))
            return id.trimmed();
    }
    return QString();
}

bool firstSlide(const QString& program)
{
    Program run([&](Settings& s) {
        const QString folder = s.text(key::SCEdit5).section(u'/', 0, -2);
        test::writeAll(folder + "/colours.fodp",
                       test::flatPresentation({{"#ff0000", "PT2S"}, {"#0000ff", "PT3S"}}));
        s.setText(key::SCEdit49, folder + "/colours.fodp");
        s.setText(key::SCEdit1, QStringLiteral("1"));
        // The show's window above the strip, clear of it.
        s.setSpin(key::SpinEdit26, 200);
        s.setSpin(key::SpinEdit28, 50);
        s.setSpin(key::SpinEdit27, 800);
        s.setSpin(key::SpinEdit29, 450);
    });
    if (!run.start(program))
        return false;
    auto open = [&run] {
        return status(run.folder)["players"].toObject()["slides"].toObject()["open"].toBool();
    };
    // The first run converts (LibreOffice); the measured one comes from the cache.
    sendControlCommand(run.folder, QStringLiteral("slides test"), 5000);
    QElapsedTimer wait;
    wait.start();
    while (!open() && wait.elapsed() < 120000)
        QThread::msleep(100);
    if (!open()) {
        std::printf("slides: the show never opened\n");
        return false;
    }
    sendControlCommand(run.folder, QStringLiteral("slides stop"), 5000);
    QThread::msleep(1000);
    ScreenSampler sampler(kStrip);
    const qint64 alone = sampler.largestGapMs(1500);
    std::unique_ptr<Sent> sent = std::make_unique<Sent>(run.folder, "slides test");
    const qint64 gap = sampler.largestGapMs(3000);
    sent.reset();
    print("slide show's first page (from the conversion cache)", alone, gap);
    // The show's window resized as a window manager would: the page is rendered anew for it.
    const QString window = windowOfSize(run.pid(), "800x450");
    if (window.isEmpty()) {
        std::printf("slides: the show's window was not found\n");
        return false;
    }
    qint64 resized = 0;
    for (const char* size : {"1200 600", "800 450"}) {
        QProcess xdotool;
        xdotool.start(QStringLiteral("xdotool"),
                      QStringList{"windowsize", window} + QString::fromLatin1(size).split(u' '));
        resized = std::max(resized, sampler.largestGapMs(1500));
        xdotool.waitForFinished(5000);
        if (!geometryOf(window).contains(QByteArray(size).replace(' ', 'x'))) {
            std::printf("slides: the show's window did not take the size %s\n", size);
            return false;
        }
    }
    print("slide show's window resized, twice", alone, resized);
    sendControlCommand(run.folder, QStringLiteral("slides stop"), 5000);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGRAM [block|string|web|flash|webshow|slides]...\n",
                     argv[0]);
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    QStringList cases;
    for (int i = 2; i < argc; ++i)
        cases.append(QString::fromLocal8Bit(argv[i]));
    if (cases.isEmpty())
        cases = {"block", "string", "web", "flash", "webshow", "slides"};
    bool ok = true;
    for (const QString& name : cases) {
        if (name == u"block")
            ok = blockByCommand(program) && ok;
        else if (name == u"string")
            ok = blockByPlan(program) && ok;
        else if (name == u"web")
            ok = firstWebPage(program) && ok;
        else if (name == u"flash")
            ok = firstFlashMovie(program) && ok;
        else if (name == u"webshow")
            ok = firstWebShow(program) && ok;
        else if (name == u"slides")
            ok = firstSlide(program) && ok;
        else
            std::fprintf(stderr, "unknown case: %s\n", qPrintable(name));
    }
    return ok ? 0 : 1;
}
