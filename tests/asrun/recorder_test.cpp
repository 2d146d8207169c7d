#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include "asrun/asruncontrol.h"
#include "asrun/journalrig.h"
#include "asrun/recorder.h"
#include "asrun/recordsink.h"
#include "asrun/report.h"
#include "base/controlchannel.h"
#include "base/operations.h"
#include "base/worker.h"
#include "dispatcher/rig.h"
#include "fakes/testsupport.h"
#include "onair/onairmodel.h"
#include "ticker/recordingview.h"
#include "ticker/tickerrig.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// Keeps what it is handed; a seal answers when the test says so.
class FakeSink final : public asrun::RecordSink {
public:
    void append(QJsonObject record) override { records.append(record); }
    void seal(std::function<void(bool, QString)> done) override { pendingSeal = std::move(done); }
    QJsonObject status() const override
    {
        return {{QStringLiteral("file"), QStringLiteral("/x/asrun-2010-10-13.jsonl")},
                {QStringLiteral("records"), qint64(records.size())}};
    }

    QStringList types() const
    {
        QStringList list;
        for (const QJsonObject& record : records)
            list.append(record.value(u"type").toString());
        return list;
    }

    QList<QJsonObject> records;
    std::function<void(bool, QString)> pendingSeal;
};

PlayerRequest requestOf(QChar letter, const QString& slot, const QString& target)
{
    PlayerRequest request;
    request.letter = letter;
    request.slot = slot;
    request.target = target;
    return request;
}

QString sha256Hex(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// The dispatcher with recording players behind the real registry, its events recorded.
class Recording : public ::testing::Test {
protected:
    Recording()
    {
        clip = rig.folder + QStringLiteral("/three.avi");
        writeAll(clip, kClipBytes);
        rig.settings.setText(key::SCEdit51, clip);
        rig.settings.setChecked(key::SCCheckbox19, true);
    }

    void startPlan(const QStringList& lines)
    {
        rig.writePlan(lines);
        rig.engine.SCButton43Click();
    }
    bool waitForRecords(qsizetype n)
    {
        return waitFor([&] { return sink.records.size() >= n; }, 10000);
    }
    QJsonObject last(const QString& type) const
    {
        for (qsizetype i = sink.records.size() - 1; i >= 0; --i)
            if (sink.records[i].value(u"type").toString() == type)
                return sink.records[i];
        return {};
    }

    const QByteArray kClipBytes = QByteArray("not really a clip, but its bytes are hashed\n");
    DispatcherRig rig;
    FakeSink sink;
    Worker hashing{QStringLiteral("asrun hash")};
    OnAirModel onAir{rig.log};
    asrun::Recorder recorder{rig.log, onAir, sink, hashing};
    QString clip;
};

TEST_F(Recording, ThePlanLinesContentFromStartToStopWithTheHashOfItsFile)
{
    const QString line = planLine("12:00:10", "k3", "12:00:40");
    startPlan({line});
    EXPECT_EQ(sink.types(), QStringList{"dispatcher"});
    EXPECT_EQ(sink.records[0].value(u"event").toString(), "start");

    rig.timers.advance(10'000);
    // The first picture as the player confirms it, a while after the start.
    rig.players.clip.onScreen();
    const QDateTime firstPicture = QDateTime::currentDateTime();
    QTest::qWait(30);
    rig.timers.advance(30'000);  // the line's stop
    ASSERT_TRUE(waitForRecords(3)) << sink.types().join(u',').toStdString();

    const QJsonObject content = last("content");
    EXPECT_EQ(content.value(u"kind").toString(), "k");
    EXPECT_EQ(content.value(u"slot").toString(), "3");
    EXPECT_EQ(content.value(u"source").toString(), clip);
    EXPECT_EQ(content.value(u"sha256").toString(), sha256Hex(kClipBytes));
    EXPECT_EQ(content.value(u"plan_line").toString(), line);
    EXPECT_EQ(content.value(u"end").toString(), "stopped");
    EXPECT_FALSE(content.contains(u"reason"));
    const QDateTime shown =
        QDateTime::fromString(content.value(u"first_picture").toString(), Qt::ISODateWithMs);
    const QDateTime gone =
        QDateTime::fromString(content.value(u"left").toString(), Qt::ISODateWithMs);
    ASSERT_TRUE(shown.isValid() && gone.isValid());
    EXPECT_LE(qAbs(shown.msecsTo(firstPicture)), 50);
    EXPECT_GE(shown.msecsTo(gone), 30);
    EXPECT_GE(content.value(u"seconds").toDouble(), 0.03);
    EXPECT_NEAR(content.value(u"seconds").toDouble(), shown.msecsTo(gone) / 1000.0, 0.05);
    // The plan is exhausted after its only line: the dispatcher stopped itself at its start.
    EXPECT_EQ(sink.types(), (QStringList{"dispatcher", "dispatcher", "content"}));
    EXPECT_EQ(sink.records[1].value(u"event").toString(), "stop");
}

// The dispatcher's own lines in velumo.log (a start timer that fired late) are no records: only
// its start and stop are.
TEST_F(Recording, TheDispatchersOwnLinesAreNoRecords)
{
    startPlan({planLine("12:00:10", "k3", "12:00:40")});
    rig.clock.setNow(QDateTime(rig.clock.now().date(), {12, 0, 25}));
    rig.timers.advance(WallTimer::kMaxStepMs);
    rig.timers.advance(30'000);
    ASSERT_FALSE(rig.events("dispatcher").filter("late by").isEmpty());
    ASSERT_TRUE(waitForRecords(3));
    QStringList dispatcher;
    for (const QJsonObject& record : sink.records)
        if (record.value(u"type").toString() == "dispatcher")
            dispatcher.append(record.value(u"event").toString());
    EXPECT_EQ(dispatcher, (QStringList{"start", "stop"}));
}

TEST_F(Recording, HowContentEndedFailedWithItsReasonEndedByItselfParkedOrNeverShown)
{
    auto startByHand = [&](QChar letter, const QString& target) {
        PlayerRequest request;
        request.letter = letter;
        request.slot = QStringLiteral("1");
        request.target = target;
        rig.players.registry.start(request);
    };
    PlayerRegistry& registry = rig.players.registry;

    // Failed after its first picture: the reason, and its later stop adds nothing.
    startByHand(u'k', clip);
    rig.players.clip.onScreen();
    rig.players.clip.failed(QStringLiteral("the decoder stopped"));
    registry.stop(u'k');
    // Failed in its start: never on the screen.
    rig.players.flash.failStart = true;
    EXPECT_ANY_THROW(startByHand(u'f', rig.folder + QStringLiteral("/none.swf")));
    registry.stop(u'f');
    // A slide show that ended by itself, then stopped.
    startByHand(u'p', clip);
    rig.players.slideShow.onScreen();
    rig.players.slideShow.ended();
    registry.stop(u'p');
    // A page, parked; an address has no hash.
    startByHand(u'w', QStringLiteral("http://127.0.0.1:9/page.html"));
    rig.players.web.onScreen();
    registry.park(u'w');
    // The capture, stopped before its first picture.
    startByHand(u't', QString());
    registry.stop(u't');
    ASSERT_TRUE(waitForRecords(5));
    ASSERT_EQ(sink.records.size(), 5);

    struct Expected {
        const char* kind;
        const char* end;
        const char* reason;
        bool shown;
        bool hashed;
    };
    const Expected expected[] = {
        {"k", "failed", "the decoder stopped", true, true},
        {"f", "failed", "the player failed", false, false},
        {"p", "ended", nullptr, true, true},
        {"w", "parked", nullptr, true, false},
        {"t", "stopped", nullptr, false, false},
    };
    for (int i = 0; i < 5; ++i) {
        const QJsonObject& r = sink.records[i];
        SCOPED_TRACE(expected[i].kind);
        EXPECT_EQ(r.value(u"type").toString(), "content");
        EXPECT_EQ(r.value(u"kind").toString(), expected[i].kind);
        EXPECT_EQ(r.value(u"end").toString(), expected[i].end);
        EXPECT_EQ(r.value(u"plan_line").toString(), "") << "started by hand";
        if (expected[i].reason)
            EXPECT_EQ(r.value(u"reason").toString(), expected[i].reason);
        else
            EXPECT_FALSE(r.contains(u"reason"));
        EXPECT_EQ(r.value(u"first_picture").isString(), expected[i].shown);
        if (!expected[i].shown) {
            EXPECT_EQ(r.value(u"seconds").toDouble(), 0.0);
        }
        EXPECT_EQ(r.value(u"sha256").toString(), expected[i].hashed ? sha256Hex(kClipBytes) : "");
    }
}

TEST_F(Recording, ARecordWaitingForItsHashHoldsBackTheRecordsAfterIt)
{
    // A large file takes the worker a while; what happens meanwhile is recorded after it.
    const QString big = rig.folder + QStringLiteral("/big.avi");
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < 64; ++i)
            file.write(block);
    }
    PlayerRequest request = requestOf(u'k', QStringLiteral("1"), big);
    rig.players.registry.start(request);
    rig.players.registry.stop(u'k');
    rig.log.post(ClockEvent{-3600.5});
    rig.log.post(ProgramEvent{ProgramEvent::What::Exit});
    // Posted after the exit: not recorded.
    rig.log.post(DispatcherEvent{false});
    EXPECT_LE(sink.records.size(), 3);
    ASSERT_TRUE(waitForRecords(3));
    QTest::qWait(20);
    EXPECT_EQ(sink.types(), (QStringList{"content", "clock", "program"}));
    EXPECT_EQ(sink.records[0].value(u"sha256").toString().size(), 64);
    EXPECT_EQ(sink.records[1].value(u"step_s").toDouble(), -3600.5);
    EXPECT_EQ(sink.records[2].value(u"event").toString(), "exit");
    EXPECT_FALSE(sink.records[2].value(u"version").toString().isEmpty());
}

TEST_F(Recording, ContentStillOnTheScreenAtExitEndsBeforeTheExitRecord)
{
    rig.log.post(ProgramEvent{ProgramEvent::What::Start});
    PlayerRequest request = requestOf(u'k', QStringLiteral("3"), clip);
    rig.players.registry.start(request);
    rig.players.clip.onScreen();
    rig.log.post(ProgramEvent{ProgramEvent::What::Exit});
    recorder.finish();
    EXPECT_EQ(sink.types(), (QStringList{"program", "content", "program"}));
    EXPECT_EQ(sink.records[1].value(u"end").toString(), "stopped");
    EXPECT_EQ(sink.records[1].value(u"sha256").toString(), sha256Hex(kClipBytes));
}

// A page that failed and came back while its line ran: the failure, then the line's content
// again from its return to its stop.
TEST_F(Recording, ContentThatCameBackIsAnEntryFromItsReturnToItsStop)
{
    PlayerRequest request = requestOf(u'w', QStringLiteral("1"), QStringLiteral("127.0.0.1:9/a"));
    request.planLine = planLine("12:00:10", "w1", "12:05:10");
    rig.players.registry.start(request);
    rig.players.web.failed(QStringLiteral("HTTP 500"));
    QCoreApplication::processEvents();
    rig.players.web.recovered();
    rig.players.registry.stop(u'w');
    ASSERT_TRUE(waitForRecords(2));
    EXPECT_EQ(sink.records[0].value(u"end").toString(), "failed");
    EXPECT_EQ(sink.records[1].value(u"end").toString(), "stopped");
    EXPECT_EQ(sink.records[1].value(u"plan_line").toString(), request.planLine);
    EXPECT_TRUE(sink.records[1].value(u"first_picture").isString());
}

TEST(RecorderMoments, LocalTimeWithMillisecondsAndItsOffset)
{
    const QDateTime at(QDate(2026, 12, 9), QTime(23, 40, 1, 123), QTimeZone(3 * 3600));
    const QString text = asrun::Recorder::moment(at);
    EXPECT_EQ(QDateTime::fromString(text, Qt::ISODateWithMs), at);
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("abc"));
    writeAll(path, "abc");
    EXPECT_EQ(asrun::Recorder::sha256OfFile(path),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(asrun::Recorder::sha256OfFile(dir.filePath(QStringLiteral("none"))), "");
}

// The strip's announcements, frame by frame on a fake clock.
class Announcements : public ::testing::Test, protected TickerRig {
protected:
    Announcements()
    {
        settings.setText(key::SCEdit6, QStringLiteral("DejaVu Sans"));
        settings.setText(key::SCEdit18, QStringLiteral("12"));
        settings.setText(key::SCEdit77, QStringLiteral("400"));
        settings.setSpin(key::SpinEdit1, 2);
        settings.setSpin(key::SpinEdit2, 1);
        settings.setSpin(key::SpinEdit13, 0);
        settings.setChecked(key::SCCheckBox9, false);
        recordedEngine.setView(&view);
    }

    QTemporaryDir dir;
    EventLog events{dir.filePath(QStringLiteral("velumo.log"))};
    TickerEngine recordedEngine{settings, block, log, clock, timers, notifier, companions, &events};
    RecordingView view;
    FakeSink sink;
    Worker hashing{QStringLiteral("asrun hash")};
    OnAirModel onAir{events};
    asrun::Recorder recorder{events, onAir, sink, hashing};
};

TEST_F(Announcements, EachFromItsFirstLetterEnteringToItsLastLeavingWithThePlaybackLogsFields)
{
    block.setLists({"0Первое объявление", "0Второе"}, {"0", "0"}, {"101", "102"});
    const QDateTime start = clock.now();
    recordedEngine.BitBtn2Click();
    ASSERT_EQ(view.texts.size(), 1);
    const int width = view.picture->drawnWidth();
    // 1 px every 2 ms: in at the first frame that moved it, out when its right edge passed 0.
    const qint64 outMs = qint64(400 + width) * 2;
    timers.advance(outMs + 2 * TickerEngine::kFrameMs);
    ASSERT_EQ(sink.records.size(), 1);
    const QJsonObject first = sink.records[0];
    EXPECT_EQ(first.value(u"type").toString(), "announcement");
    EXPECT_EQ(first.value(u"index").toString(), "101");
    EXPECT_EQ(first.value(u"text").toString(), "Первое объявление ");
    EXPECT_EQ(first.value(u"tariff").toString(), log.records().value(0).section(u';', 3, 3));
    const auto at = [](const QJsonValue& v) {
        return QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
    };
    EXPECT_EQ(start.msecsTo(at(first.value(u"entered"))), TickerEngine::kFrameMs);
    const qint64 leftMs = start.msecsTo(at(first.value(u"left")));
    EXPECT_GE(leftMs, outMs);
    EXPECT_LT(leftMs, outMs + TickerEngine::kFrameMs);

    // Stopped on the strip: it leaves with the stop; the playback log is as it always was.
    timers.advance(10 * TickerEngine::kFrameMs);
    recordedEngine.StopTicker();
    ASSERT_EQ(sink.records.size(), 2);
    EXPECT_EQ(sink.records[1].value(u"index").toString(), "102");
    EXPECT_EQ(at(sink.records[1].value(u"left")), clock.now());
    EXPECT_EQ(log.records().size(), 2);
}

// The billing report on the journal the recorder really wrote: each index with its tariff, as
// the block gives them, sums its own showings, and a text a spreadsheet would run as a formula is
// neutralised in the CSV.
TEST_F(Announcements, TheBillingReportOnTheRecordersOwnJournalAddsUp)
{
    {
        ManualClock journalClock(clock.now());
        asrun::Journal journal(dir.path(), {}, journalClock, nullptr);
        asrun::Recorder journalRecorder(events, onAir, journal, hashing);
        block.setLists({"0Хлеб", "0=HYPERLINK(\"http://x\")", "0-50% на всё"}, {"3", "0", "7"},
                       {"101", "102", "9"});
        recordedEngine.BitBtn2Click();
        for (int i = 0; i < 1000 && sink.records.size() < 3; ++i)
            timers.advance(10 * TickerEngine::kFrameMs);
        ASSERT_EQ(sink.records.size(), 3);
        journalRecorder.finish();
        ASSERT_TRUE(journal.flush(5000));
    }
    asrun::Report report({clock.now().date(), clock.now().date(), {}, {}});
    QString error;
    ASSERT_TRUE(report.read(journalFiles(dir.filePath(QStringLiteral("asrun"))), &error));
    const QStringList rows = QString(QStringDecoder("windows-1251")(report.csv()))
                                 .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    // In index order, numbers by value; each shown once.
    ASSERT_EQ(rows.size(), 4) << rows.join(u'\n').toStdString();
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("объявление;9;7;'-50% на всё ;1;")))
        << rows[1].toStdString();
    EXPECT_TRUE(rows[2].startsWith(QStringLiteral("объявление;101;3;Хлеб ;1;")))
        << rows[2].toStdString();
    EXPECT_TRUE(rows[3].startsWith(
        QStringLiteral("объявление;102;0;\"'=HYPERLINK(\"\"http://x\"\") \";1;")))
        << rows[3].toStdString();
}

TEST(AsrunControl, SealAnswersWhenTheSinkHasSealedAndStatusIsTheSinks)
{
    QTemporaryDir dir;
    RecordingNotifier notifier;
    EventLog log(dir.filePath(QStringLiteral("velumo.log")));
    Operations operations;
    ControlServer server(dir.path(), notifier, &log, operations);
    server.addStatus(QStringLiteral("before"), [] { return QJsonValue(1); });
    FakeSink sink;
    asrun::addControl(server, sink);

    QList<std::pair<int, QString>> answers;
    const auto answer = [&](int code, const QString& text) { answers.append({code, text}); };
    server.execute(QStringLiteral("asrun seal"), answer);
    ASSERT_TRUE(sink.pendingSeal);
    EXPECT_TRUE(answers.isEmpty()) << "answers when the seal is written";
    sink.pendingSeal(true, QStringLiteral("sealed 12 records"));
    server.execute(QStringLiteral("asrun seal"), answer);
    sink.pendingSeal(false, QStringLiteral("the key cannot be read"));
    EXPECT_EQ(answers, (QList<std::pair<int, QString>>{{0, "sealed 12 records"},
                                                       {2, "the key cannot be read"}}));

    const QJsonObject status = server.status();
    EXPECT_EQ(status.value(u"before").toInt(), 1);
    EXPECT_EQ(status.value(u"asrun").toObject(), sink.status());
}

TEST(EventStream, EveryLineIsAnEventAndTypedEventsKeepTheLinesText)
{
    QTemporaryDir dir;
    EventLog log(dir.filePath(QStringLiteral("velumo.log")));
    QList<Event> seen;
    QObject::connect(&log, &EventLog::posted, [&](const Event& e) { seen.append(e); });
    RecordingPlayers players(log);
    PlayerRequest request = requestOf(u'k', QStringLiteral("3"), QStringLiteral("/data/a b.avi"));
    request.planLine = QStringLiteral("13.10.10 12:00:10|k3|00|13.10.10 12:05:00");
    players.registry.start(request);
    players.clip.onScreen();
    players.registry.stop(u'k');
    log.post(ProgramEvent{ProgramEvent::What::Start});
    log.write(QStringLiteral("error"), QStringLiteral("two\nlines"));

    const QStringList lines = logEvents(log.path(), QStringLiteral("player"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "start k 3");
    EXPECT_EQ(lines[1], "started k 3 /data/a b.avi");
    EXPECT_TRUE(lines[3].startsWith("stopped k 3 /data/a b.avi (on screen 0."));
    // A typed event without a line writes none.
    EXPECT_TRUE(logEvents(log.path(), QStringLiteral("program")).isEmpty());
    ASSERT_EQ(seen.size(), 6);
    EXPECT_EQ(seen[0].fields().value(u"event").toString(), "start");
    EXPECT_EQ(seen[0].fields().value(u"plan_line").toString(), request.planLine);
    EXPECT_EQ(seen[0].fields().value(u"target").toString(), "/data/a b.avi");
    EXPECT_TRUE(seen[1].fields().value(u"first").toBool());
    EXPECT_EQ(seen[2].fields().value(u"event").toString(), "stop");
    EXPECT_EQ(seen[3].fields().value(u"event").toString(), "stopped");
    EXPECT_TRUE(seen[3].fields().value(u"seconds").isDouble());
    EXPECT_EQ(seen[4].kind, "program");
    EXPECT_EQ(seen[5].fields().value(u"text").toString(), "two\nlines");
    EXPECT_LE(seen[0].time, seen[5].time);
}

}  // namespace
