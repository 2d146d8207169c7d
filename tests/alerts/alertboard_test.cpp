// What is on air and when it leaves: the board's lifecycle on a fake clock (Update and Cancel
// chains, expiry by the wall clock and across its steps, the operator, the settings), and
// alerts.ini read and written.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "alerts/alertboard.h"
#include "alerts/alertpresenter.h"
#include "alerts/alertscreen.h"
#include "alerts/capreader.h"
#include "capfixtures.h"
#include "fakes/faketimers.h"

namespace velumo::alerts {
namespace {

using namespace test;

CapAlert alertOf(const Doc& doc)
{
    const CapReading reading = readCap(xml(doc), {});
    EXPECT_EQ(reading.kind, CapReading::Kind::Alert) << reading.fault.toStdString();
    return reading.alert;
}

QString until(const QString& hhmm)
{
    return QStringLiteral("<expires>2026-05-01T%1:00+03:00</expires>").arg(hhmm);
}

// A board on a fake clock at noon, with every change it announces written down.
struct Rig {
    explicit Rig(AlertsConfig config = station()) : board(std::move(config), clock, timers)
    {
        QObject::connect(&board, &AlertBoard::changed, [this](const AlertChange& c) {
            changes << (c.kind == AlertChange::Kind::On
                            ? QStringLiteral("on %1 %2")
                                  .arg(c.alert.key.identifier,
                                       c.alert.display == Display::Band ? "band" : "strip")
                            : QStringLiteral("off %1 %2 %3")
                                  .arg(c.alert.key.identifier, reasonName(c.reason), c.note))
                           .trimmed();
            last = c;
        });
    }
    QString offer(const Doc& doc, const QString& source = QStringLiteral("feed"))
    {
        return board.offer(alertOf(doc), source);
    }
    QStringList onAir() const
    {
        QStringList ids;
        for (const OnAirAlert& a : board.onAir())
            ids << a.key.identifier;
        return ids;
    }

    velumo::test::FakeClock clock{noon()};
    velumo::test::FakeTimerFactory timers{clock};
    AlertBoard board;
    QStringList changes;
    AlertChange last;
};

TEST(AlertBoard, ShowsOnceWhateverTheSourceAndLeavesWithinASecondOfExpires)
{
    Rig rig;
    EXPECT_EQ(rig.offer({.infos = {info("Severe", "Immediate", until("12:30"))}}),
              "в эфире: полоса");
    EXPECT_EQ(rig.offer({.infos = {info("Severe", "Immediate", until("12:30"))}}, "folder a.xml"),
              "уже получено (feed)");
    EXPECT_EQ(rig.changes, QStringList{"on a1 band"});
    rig.timers.advance(30 * 60 * 1000 - 1);
    EXPECT_EQ(rig.onAir(), QStringList{"a1"});
    rig.timers.advance(AlertBoard::kMaxWaitMs);
    EXPECT_EQ(rig.changes.last(), "off a1 expired");
    EXPECT_LE(noon(30).msecsTo(rig.last.at), AlertBoard::kMaxWaitMs);
    EXPECT_FALSE(rig.timers.timer("alerts").isActive());  // nothing held: no timer
}

TEST(AlertBoard, UpdatesReplaceAlongTheChainAndCancelsTakeOffEvenAheadOfTheOriginal)
{
    Rig rig;
    rig.offer({.id = "a1", .infos = {info("Moderate", "Immediate")}});
    rig.offer({.id = "a2", .msgType = "Update", .extra = refs({"a1"})});
    // An Update naming only the first message replaces what stands in its place.
    EXPECT_EQ(rig.offer({.id = "a3",
                         .msgType = "Update",
                         .extra = refs({"a1"}),
                         .infos = {info("Extreme", "Immediate")}}),
              "заменяет mchs@example.ru/a2; в эфире: полоса");
    rig.offer({.id = "a4", .msgType = "Cancel", .extra = refs({"a1"}), .infos = {}});
    EXPECT_EQ(rig.changes, (QStringList{"on a1 strip", "off a1 replaced mchs@example.ru/a2",
                                        "on a2 band", "off a2 replaced mchs@example.ru/a3",
                                        "on a3 band", "off a3 cancelled mchs@example.ru/a4"}));
    EXPECT_TRUE(rig.onAir().isEmpty());

    // A Cancel that arrives before its alert; a Cancel of another sender changes nothing.
    rig.offer({.id = "c1", .msgType = "Cancel", .extra = refs({"b1"}), .infos = {}});
    EXPECT_TRUE(rig.offer({.id = "b1"}).startsWith("не показано: отменено"));
    rig.offer({.id = "b2"});
    EXPECT_TRUE(rig.offer({.id = "c2",
                           .sender = "other@example.org",
                           .msgType = "Cancel",
                           .extra = refs({"b2"}),
                           .infos = {}})
                    .startsWith("ссылка на сообщение другого отправителя"));
    EXPECT_EQ(rig.onAir(), QStringList{"b2"});
}

TEST(AlertBoard, WaitsForEffectiveFollowsClockStepsOrdersAndObeysTheOperatorAndSettings)
{
    AlertsConfig config = station();
    config.showTests = true;
    Rig rig(config);
    EXPECT_TRUE(rig.offer({.id = "w",
                           .infos = {info("Minor", "Future",
                                          "<effective>2026-05-01T12:10:00+03:00</effective>")}})
                    .startsWith("в эфире будет с 01.05.2026"));
    EXPECT_EQ(rig.board.waiting(), 1);
    rig.timers.advance(10 * 60 * 1000);
    EXPECT_EQ(rig.onAir(), QStringList{"w"});
    EXPECT_LE(noon(10).msecsTo(rig.last.at), AlertBoard::kMaxWaitMs);

    rig.offer({.id = "x", .infos = {info("Extreme", "Immediate", until("13:00"))}});
    rig.offer({.id = "t", .status = "Test", .infos = {info("Severe", "Expected")}});
    EXPECT_EQ(rig.board.onAir()[1].mark, "ТЕСТ");
    EXPECT_EQ(rig.onAir(), (QStringList{"x", "t", "w"}));  // most severe first
    // The wall clock steps past 13:00 while the monotonic clock stands still.
    rig.clock.setNow(noon(61));
    rig.timers.advance(AlertBoard::kMaxWaitMs);
    EXPECT_EQ(rig.onAir(), (QStringList{"t", "w"}));

    EXPECT_TRUE(rig.board.takeOff({"mchs@example.ru", "w"}, "ложная тревога"));
    EXPECT_EQ(rig.changes.last(), "off w operator ложная тревога");
    EXPECT_EQ(rig.offer({.id = "w"}), "уже получено (feed)");
    EXPECT_FALSE(rig.board.takeOff({"mchs@example.ru", "w"}, "again"));

    config.showTests = false;
    rig.board.setConfig(config);
    EXPECT_EQ(rig.changes.last(), "off t settings");
    EXPECT_TRUE(rig.onAir().isEmpty());
}

TEST(AlertsConfig, RoundTripsReportsEachWrongLineAndDefaultsWithoutOne)
{
    AlertsConfig c = station();
    c.feeds = {"https://cap.example.ru/index.atom", "http://127.0.0.1:8080/a.xml"};
    c.dropFolder = "/srv/ftp/alerts";
    c.pollS = 12;
    c.staleMin = 3;
    c.requireSignature = true;
    c.certificates = {"certs/mchs.pem", "/etc/velumo/b.pem"};
    c.geocodes.push_back({"UGC", "MSK 01"});
    c.language = "en-GB";
    c.band = {{"Extreme", "*"}};
    c.strip = {};
    c.repeatMin = 7;
    const QTemporaryDir dir;
    c.save(dir.path());
    const AlertsConfigRead read = readAlertsConfig(dir.path());
    EXPECT_TRUE(read.present && read.errors.isEmpty()) << read.errors.join('\n').toStdString();
    EXPECT_EQ(read.config.text(), c.text());
    EXPECT_EQ(read.config.trust(dir.path()).certificateFiles.first(),
              dir.path() + "/certs/mchs.pem");
    EXPECT_EQ(read.config.displayFor(Severity::Extreme, Urgency::Past), Display::Band);
    EXPECT_EQ(read.config.displayFor(Severity::Severe, Urgency::Immediate), Display::None);

    const AlertsConfigRead wrong = parseAlertsConfig(
        "\xEF\xBB\xBF[alerts]\npoll_s = 2\nlatitude = 91\nlongitude = 37\nband = Extreme/Soon\n"
        "colour = red\nshow_tests = yes\n");
    EXPECT_EQ(wrong.errors.size(), 6) << wrong.errors.join('\n').toStdString();
    EXPECT_EQ(wrong.config.pollS, 30);
    EXPECT_FALSE(wrong.config.place);
    EXPECT_EQ(wrong.config.displayFor(Severity::Severe, Urgency::Expected), Display::Band);
    EXPECT_EQ(wrong.config.displayFor(Severity::Minor, Urgency::Unknown), Display::Strip);
    EXPECT_FALSE(readAlertsConfig(dir.path() + "/none").present);
}

}  // namespace
}  // namespace velumo::alerts

namespace velumo::alerts {
namespace {

// The screen as the presenter drives it, one word per call.
struct RecordingScreen final : AlertScreen {
    static QString id(const QString& key) { return key.section(u'/', -1); }
    void showBand(const BandView& view) override { calls << "band " + view.key.identifier; }
    void hideBand() override { calls << "hide"; }
    void attention() override { calls << "tone"; }
    void holdStrip(const QString& key, const QString& text) override
    {
        calls << "hold " + id(key);
        held = text;
    }
    void announce(const QString& key, const QString& text) override
    {
        calls << "announce " + id(key);
        announced = text;
    }
    void takeOffStrip(const QString& key) override
    {
        calls << (key.startsWith("alert hold ") ? "unhold " : "unannounce ") + id(key);
    }
    QStringList take() { return std::exchange(calls, {}); }
    QStringList calls;
    QString held, announced;
};

// The most pressing alert in the band with its tone and its description holding the strip; the
// others announced in the strip every repeat_min; the next in turn takes the band when it leaves.
TEST(AlertPresenter, OneInTheBandTheOthersAnnouncedAgainUntilEachLeaves)
{
    AlertsConfig config = station();
    config.repeatMin = 5;
    Rig rig(config);
    RecordingScreen screen;
    AlertPresenter presenter(rig.board, screen, rig.timers, rig.clock);
    const QString texts = "<description>До 50 мм\n  за час</description>";
    rig.offer({.id = "a1", .infos = {info("Moderate", "Expected", until("12:30") + texts)}});
    EXPECT_EQ(screen.take(), QStringList{"announce a1"});
    EXPECT_EQ(screen.announced, "ru-RU Moderate. До 50 мм за час");
    rig.offer({.id = "a2", .infos = {info("Extreme", "Immediate", until("12:10") + texts)}});
    EXPECT_EQ(screen.take(), QStringList({"tone", "band a2", "hold a2"}));
    EXPECT_EQ(screen.held, "До 50 мм за час");
    rig.offer({.id = "a3", .infos = {info("Severe", "Immediate", until("12:20"))}});
    EXPECT_EQ(screen.take(), QStringList{"announce a3"});

    rig.timers.advance(5 * 60 * 1000);
    EXPECT_EQ(screen.take(), QStringList({"announce a3", "announce a1"}));
    rig.timers.advance(5 * 60 * 1000 + AlertBoard::kMaxWaitMs);
    EXPECT_EQ(screen.take(), QStringList({"unhold a2", "unannounce a3", "tone", "band a3",
                                          "hold a3", "announce a1"}));
    EXPECT_TRUE(rig.board.takeOff({"mchs@example.ru", "a3"}, "проверка"));
    EXPECT_EQ(screen.take(), QStringList({"unhold a3", "hide"}));
    rig.timers.advance(20 * 60 * 1000);
    // 12:15, 12:20, 12:25, and gone at 12:30.
    EXPECT_EQ(screen.take(),
              QStringList({"announce a1", "announce a1", "announce a1", "unannounce a1"}));
}

}  // namespace
}  // namespace velumo::alerts
