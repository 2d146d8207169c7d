#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <QElapsedTimer>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <random>

#include "asrun/chain.h"
#include "asrun/journalrig.h"
#include "base/eventlog.h"
#include "fakes/testsupport.h"

using namespace velumo;
using namespace velumo::test;

namespace {

QList<QJsonObject> records(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QList<QJsonObject> list;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            list.append(QJsonDocument::fromJson(line).object());
    }
    return list;
}

int minisignVerify(const QString& programFolder, const QString& file)
{
    QProcess minisign;
    minisign.start(QStringLiteral("minisign"),
                   {QStringLiteral("-V"), QStringLiteral("-q"), QStringLiteral("-p"),
                    programFolder + QLatin1String("/asrun.pub"), QStringLiteral("-m"), file});
    if (!minisign.waitForFinished(10000))
        return -1;
    return minisign.exitStatus() == QProcess::NormalExit ? minisign.exitCode() : -1;
}

const QDateTime kEvening(QDate(2026, 12, 9), QTime(23, 59, 58));

// A full disk to be: a 64 KiB tmpfs on a temporary folder for the test's life (needs root).
struct SmallDisk {
    QTemporaryDir dir;
    bool mounted =
        QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=64k"), QStringLiteral("tmpfs"), dir.path()}) == 0;
    ~SmallDisk()
    {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {dir.path()});
    }
};

}  // namespace

// Records across a midnight and a restart: the chain holds over both days, the first day is
// closed with a seal and a minisign signature the stock minisign accepts, seq goes on after the
// restart, and the key pair is made once (the secret key private).
TEST(AsrunJournal, ChainAndSealRoundTripAcrossMidnightAndRestart)
{
    QTemporaryDir dir;
    ManualClock clock(kEvening);
    {
        asrun::Journal journal(dir.path(), {}, clock, nullptr);
        journal.append(announcement(1));
        journal.append(announcement(2));
        ASSERT_TRUE(journal.flush(5000));
        clock.advanceMs(3000);  // 00:00:01 next day
        journal.append(announcement(3));
        ASSERT_TRUE(journal.flush(5000));
        const QJsonObject status = journal.status();
        EXPECT_EQ(status.value(u"file").toString(), QStringLiteral("asrun/2026-12-10.jsonl"));
        EXPECT_EQ(status.value(u"records").toInt(), 1);
        EXPECT_EQ(status.value(u"last_seq").toInt(), 4);
        EXPECT_FALSE(status.value(u"last_seal").toString().isEmpty());
    }
    {
        asrun::Journal journal(dir.path(), {}, clock, nullptr);
        journal.append(announcement(4));
        ASSERT_TRUE(journal.flush(5000));
    }
    const QString folder = dir.path() + QLatin1String("/asrun");
    const auto first = records(folder + QLatin1String("/2026-12-09.jsonl"));
    const auto second = records(folder + QLatin1String("/2026-12-10.jsonl"));
    ASSERT_EQ(first.size(), 3);
    EXPECT_EQ(first[2].value(u"type").toString(), QStringLiteral("seal"));
    EXPECT_EQ(first[2].value(u"reason").toString(), QStringLiteral("midnight"));
    // announcement 3, exit seal, announcement 4 (a clean restart leaves no gap), exit seal.
    ASSERT_EQ(second.size(), 4);
    EXPECT_EQ(second[1].value(u"reason").toString(), QStringLiteral("exit"));
    EXPECT_EQ(second[2].value(u"index").toInt(), 4);
    EXPECT_EQ(second[2].value(u"seq").toInt(), 6);
    EXPECT_EQ(second[0].value(u"local").toString().left(23),
              QStringLiteral("2026-12-10T00:00:01.000"));
    EXPECT_TRUE(second[0].value(u"clock_synced").isBool());

    const auto result = verifyFolder(dir.path());
    EXPECT_EQ(result.outcome, asrun::Verifier::Outcome::Holds) << result.text.toStdString();
    EXPECT_EQ(result.records, 7);
    EXPECT_EQ(minisignVerify(dir.path(), folder + QLatin1String("/2026-12-09.jsonl")), 0);
    EXPECT_FALSE(QFile::exists(folder + QLatin1String("/2026-12-10.jsonl.minisig")));

    struct stat info {};
    ASSERT_EQ(
        ::stat(QFile::encodeName(dir.path() + QLatin1String("/asrun.key")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

namespace {

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QFileInfo& entry :
         QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry.isDir())
            copyFolder(entry.filePath(), to + u'/' + entry.fileName());
        else
            QFile::copy(entry.filePath(), to + u'/' + entry.fileName());
    }
}

}  // namespace

// A power loss may cut the last line anywhere: for every length of its torn part the next start
// moves the part aside into the day's .torn file, answers with a gap that names it (and its
// offset, length and hash there), and the chain verifies.
TEST(AsrunJournal, TornLastLineAtEveryByteMovesAsideWithANamedGap)
{
    // In memory where there is a tmpfs: what is tested is where the bytes go, not the disk's
    // speed (hundreds of starts, each syncing a few times).
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    const QString pattern = base + QLatin1String("/asrun-torn-XXXXXX");
    QTemporaryDir pristine(pattern);
    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    {
        asrun::Journal journal(pristine.path(), {}, clock, nullptr);
        for (int i = 1; i <= 3; ++i)
            journal.append(announcement(i, QStringLiteral("Объявление №%1").arg(i)));
        ASSERT_TRUE(journal.flush(5000));
    }
    const QString day = QStringLiteral("/asrun/2026-12-09.jsonl");
    const QByteArray whole = readAll(pristine.path() + day);
    // The last record is the exit seal: cut at each of its bytes, its line end included.
    const qsizetype cutFrom = whole.lastIndexOf('\n', whole.size() - 2) + 1;
    int checked = 0;
    for (qsizetype cut = cutFrom; cut < whole.size(); ++cut) {
        QTemporaryDir dir(pattern);
        copyFolder(pristine.path(), dir.path());
        QFile::resize(dir.path() + day, cut);
        const QByteArray torn = whole.mid(whole.lastIndexOf('\n', cut - 1) + 1,
                                          cut - (whole.lastIndexOf('\n', cut - 1) + 1));
        {
            asrun::Journal journal(dir.path(), {}, clock, nullptr);
            ASSERT_TRUE(journal.flush(5000));
        }
        const auto result = verifyFolder(dir.path());
        ASSERT_EQ(result.outcome, asrun::Verifier::Outcome::Holds)
            << "cut at " << cut << ": " << result.text.toStdString();
        const auto list = records(dir.path() + day);
        const QJsonObject gap = list[list.size() - 2];
        ASSERT_EQ(gap.value(u"type").toString(), QStringLiteral("gap")) << "cut at " << cut;
        if (torn.isEmpty()) {
            // Cut at a line end: nothing torn, but the run did not end with its exit seal.
            EXPECT_EQ(gap.value(u"reason").toString(), QStringLiteral("unclean end"));
            EXPECT_FALSE(QFile::exists(dir.path() + day + QLatin1String(".torn")));
        } else {
            EXPECT_EQ(gap.value(u"reason").toString(), QStringLiteral("torn line"));
            EXPECT_EQ(gap.value(u"torn").toString(), QStringLiteral("2026-12-09.jsonl.torn"));
            EXPECT_EQ(gap.value(u"torn_bytes").toInt(), torn.size());
            EXPECT_EQ(readAll(dir.path() + day + QLatin1String(".torn")), torn) << "cut at " << cut;
        }
        ++checked;
    }
    EXPECT_GT(checked, 250);
}

// A complete last line that is damaged (rubbish a disk wrote, a line that parses but does not
// chain: a record copied from elsewhere) says nothing trustworthy about its seq: the numbering
// goes on after it, from the last record that parses and chains, so no seq is given twice, and
// the gap counts the damaged lines.
TEST(AsrunJournal, RecoveryNumbersOnFromTheLastSoundRecordNotFromADamagedLastLine)
{
    struct Damage {
        const char* what;
        int lines;  // damaged lines at the end
        std::function<QByteArray(const QList<QByteArray>&)> replacement;
    };
    const QList<Damage> damages{
        {"rubbish", 1,
         [](const QList<QByteArray>& lines) { return QByteArray(lines.last().size(), '\0'); }},
        {"a copy of the day's first record", 1,
         [](const QList<QByteArray>& lines) { return lines.first(); }},
        {"a record whose seq was edited down", 1,
         [](const QList<QByteArray>& lines) {
             QJsonObject record = QJsonDocument::fromJson(lines.last()).object();
             record.insert(QStringLiteral("seq"), 2);
             return QJsonDocument(record).toJson(QJsonDocument::Compact);
         }},
        {"two lines of rubbish", 2,
         [](const QList<QByteArray>& lines) {
             return QByteArray("{\"seq\":") + QByteArray(lines.last().size(), 'x') + "\n" +
                    QByteArray(40, '#');
         }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        QTemporaryDir dir;
        ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
        {
            asrun::Journal journal(dir.path(), {}, clock, nullptr);
            for (int i = 1; i <= 4; ++i)
                journal.append(announcement(i));
            ASSERT_TRUE(journal.flush(5000));
        }
        const QString day = dir.path() + QLatin1String("/asrun/2026-12-09.jsonl");
        const QByteArray whole = readAll(day);
        QList<QByteArray> lines = whole.chopped(1).split('\n');
        ASSERT_EQ(lines.size(), 5);  // four announcements and the exit seal
        const QByteArray replacement = damage.replacement(lines);
        lines.removeLast();
        if (damage.lines == 2)
            lines.removeLast();
        writeAll(day, lines.join('\n') + '\n' + replacement + '\n');
        const qint64 sound = 5 - damage.lines;  // the seq of the last sound record

        {
            asrun::Journal journal(dir.path(), {}, clock, nullptr);
            journal.append(announcement(9));
            ASSERT_TRUE(journal.flush(5000));
            EXPECT_EQ(journal.status().value(u"last_seq").toInteger(), 5 + 2);
        }
        const QList<QByteArray> after = readAll(day).chopped(1).split('\n');
        ASSERT_EQ(after.size(), 5 + 3);  // the gap, announcement 9, the exit seal
        const QJsonObject gap = QJsonDocument::fromJson(after[5]).object();
        EXPECT_EQ(gap.value(u"type").toString(), QStringLiteral("gap"));
        EXPECT_EQ(gap.value(u"reason").toString(), QStringLiteral("unclean end"));
        EXPECT_EQ(gap.value(u"after_seq").toInteger(), 5);
        EXPECT_EQ(gap.value(u"damaged_lines").toInteger(), damage.lines);
        EXPECT_EQ(gap.value(u"seq").toInteger(), 6);
        EXPECT_EQ(gap.value(u"prev").toString().toLatin1(),
                  asrun::chain::sha256Hex(after[4]));  // chained to the line as it stands
        QSet<qint64> seqs;
        for (qsizetype i = 0; i < after.size(); ++i) {
            const qint64 seq = QJsonDocument::fromJson(after[i]).object().value(u"seq").toInteger();
            if (i < sound || i >= 5) {
                EXPECT_TRUE(!seqs.contains(seq)) << "seq " << seq << " given twice";
            }
            seqs.insert(seq);
        }
        // The damage itself is what the verifier names.
        const auto result = verifyFolder(dir.path());
        EXPECT_EQ(result.outcome, asrun::Verifier::Outcome::Broken);
        EXPECT_TRUE(result.text.contains(QStringLiteral(":%1").arg(sound + 1)))
            << result.text.toStdString();
    }
}

// The torn part a gap names is part of what the journal vouches for: the .torn file edited,
// cut short or removed is the first fault the verifier names, at the gap's own line, even when
// the day was closed and signed afterwards.
TEST(AsrunJournal, VerifierChecksTheTornPartItsGapNames)
{
    QTemporaryDir dir;
    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    {
        asrun::Journal journal(dir.path(), {}, clock, nullptr);
        for (int i = 1; i <= 3; ++i)
            journal.append(announcement(i));
        ASSERT_TRUE(journal.flush(5000));
    }
    const QString day = dir.path() + QLatin1String("/asrun/2026-12-09.jsonl");
    const QString tornPath = day + QLatin1String(".torn");
    QByteArray whole = readAll(day);
    writeAll(day, whole.left(whole.size() - 30));  // the exit seal cut short
    {
        asrun::Journal journal(dir.path(), {}, clock, nullptr);
        journal.append(announcement(4));
        ASSERT_TRUE(journal.flush(5000));
        clock.advanceMs(13 * 3600 * 1000);  // past midnight: the day is sealed and signed
        journal.append(announcement(5));
        ASSERT_TRUE(journal.flush(5000));
    }
    ASSERT_TRUE(QFile::exists(day + QLatin1String(".minisig")));
    const QList<QByteArray> lines = readAll(day).chopped(1).split('\n');
    const QJsonObject gap = QJsonDocument::fromJson(lines[3]).object();
    ASSERT_EQ(gap.value(u"reason").toString(), QStringLiteral("torn line"));
    EXPECT_EQ(gap.value(u"torn_sha256").toString().toLatin1(),
              asrun::chain::sha256Hex(readAll(tornPath)));
    const auto holds = verifyFolder(dir.path());
    ASSERT_EQ(holds.outcome, asrun::Verifier::Outcome::Holds) << holds.text.toStdString();

    const QByteArray torn = readAll(tornPath);
    const QString gapLine =
        QStringLiteral("2026-12-09.jsonl:4 (seq %1)").arg(gap.value(u"seq").toInt());
    QByteArray edited = torn;
    edited[edited.size() / 2] = char(edited[edited.size() / 2] ^ 0x20);
    const QList<std::pair<const char*, std::function<void()>>> faults{
        {"edited", [&] { writeAll(tornPath, edited); }},
        {"cut short", [&] { writeAll(tornPath, torn.chopped(1)); }},
        {"emptied", [&] { writeAll(tornPath, QByteArray()); }},
        {"removed", [&] { QFile::remove(tornPath); }},
    };
    for (const auto& [what, fault] : faults) {
        fault();
        const auto result = verifyFolder(dir.path());
        EXPECT_EQ(result.outcome, asrun::Verifier::Outcome::Broken) << what;
        EXPECT_TRUE(result.text.contains(gapLine)) << what << ": " << result.text.toStdString();
        EXPECT_TRUE(result.text.contains(QStringLiteral("torn"))) << result.text.toStdString();
        writeAll(tornPath, torn);
    }
    // Another torn part appended later (the next loss) leaves this gap's part as it was.
    writeAll(tornPath, torn + "{\"seq\":9");
    const auto appended = verifyFolder(dir.path());
    EXPECT_EQ(appended.outcome, asrun::Verifier::Outcome::Holds) << appended.text.toStdString();
}

// A busy writer killed (SIGKILL) at random moments, 500 times: after every restart the files
// verify, no record is reordered or repeated, and every run that was cut off is followed by a
// gap record before the next run's first record.
TEST(AsrunJournal, KilledWriterLeavesAVerifiableChainWithNamedGaps)
{
    QTemporaryDir dir;
    std::mt19937 random(20261209);
    constexpr int kKills = 500;
    QElapsedTimer elapsed;
    elapsed.start();
    QProcess writer;
    writer.start(QStringLiteral(ASRUN_TEST_WRITER), {dir.path()});
    ASSERT_TRUE(writer.waitForStarted(5000));
    const auto readLine = [&writer] {
        while (!writer.canReadLine()) {
            if (!writer.waitForReadyRead(10000))
                return QByteArray();
        }
        return writer.readLine().trimmed();
    };
    for (int run = 0; run < kKills; ++run) {
        writer.write("go\n");
        const pid_t child = readLine().toInt();
        ASSERT_GT(child, 0);
        // Mostly during the busy writing, one time in five in the start-up's recovery.
        ::usleep(run % 5 == 0 ? std::uniform_int_distribution<int>(0, 10000)(random)
                              : std::uniform_int_distribution<int>(15000, 50000)(random));
        ::kill(child, SIGKILL);
        ASSERT_EQ(readLine(), QByteArray("ended 9")) << "the writer did not end by the kill";
        if (run % 25 == 24 || run == kKills - 1) {
            // A restart's recovery runs in the next writer; here the files as a start finds them
            // must verify up to a possibly torn last line, which only the next start moves aside.
            QTemporaryDir copy;
            copyFolder(dir.path(), copy.path());
            {
                const ManualClock now(QDateTime::currentDateTime());
                asrun::Journal journal(copy.path(), {}, now, nullptr);
                ASSERT_TRUE(journal.flush(10000));
            }
            const auto result = verifyFolder(copy.path());
            ASSERT_EQ(result.outcome, asrun::Verifier::Outcome::Holds)
                << "after kill " << run << ": " << result.text.toStdString();
        }
    }
    {
        const ManualClock now(QDateTime::currentDateTime());
        asrun::Journal journal(dir.path(), {}, now, nullptr);
        ASSERT_TRUE(journal.flush(10000));
    }
    const auto result = verifyFolder(dir.path());
    ASSERT_EQ(result.outcome, asrun::Verifier::Outcome::Holds) << result.text.toStdString();
    QList<QJsonObject> all;
    for (const QString& file : journalFiles(dir.path() + QLatin1String("/asrun")))
        all += records(file);
    int runs = 0;
    int gaps = 0;
    qint64 written = 0;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QJsonObject& record = all[i];
        if (record.value(u"type").toString() == u"gap")
            ++gaps;
        if (record.value(u"type").toString() != u"content")
            continue;
        ++written;
        const qint64 n = record.value(u"n").toInteger();
        if (n == 0) {
            ++runs;
            // The run before was cut off: a gap stands between its records and these.
            if (runs > 1) {
                bool gapBefore = false;
                for (qsizetype j = i - 1; j >= 0 && all[j].value(u"type").toString() != u"content";
                     --j)
                    gapBefore = gapBefore || all[j].value(u"type").toString() == u"gap";
                EXPECT_TRUE(gapBefore) << "record " << i;
            }
        } else {
            ASSERT_GT(i, 0);
            EXPECT_EQ(all[i - 1].value(u"n").toInteger(-5), n - 1)
                << "record " << i << " (seq " << record.value(u"seq").toInteger() << ")";
        }
    }
    writer.closeWriteChannel();
    writer.waitForFinished(5000);
    // How many kills land in the writing and how many in the recovery depends on the machine's
    // load; both must have happened often.
    EXPECT_GE(runs, 20);
    EXPECT_GE(gaps, 50);
    std::printf("[ kill -9 ] %d kills in %.1f s: %lld records of %d runs, %d gaps\n", kKills,
                elapsed.elapsed() / 1000.0, static_cast<long long>(written), runs, gaps);
}

// Sealing on request answers on the user-interface thread; retention removes only sealed days
// older than asrun.ini says, and never an unsealed one.
TEST(AsrunJournal, SealOnRequestAndRetentionOfSealedDaysOnly)
{
    QTemporaryDir dir;
    writeAll(dir.path() + QLatin1String("/asrun.ini"), "folder=asrun\nretention_days=30\n");
    ManualClock clock(QDateTime(QDate(2026, 1, 1), QTime(10, 0)));
    {
        asrun::Journal journal(dir.path(), asrun::JournalOptions::read(dir.path()), clock, nullptr);
        journal.append(announcement(1));
        bool answered = false;
        QString text;
        journal.seal([&](bool ok, QString reply) {
            answered = ok;
            text = reply;
        });
        ASSERT_TRUE(waitFor([&] { return answered; }, 5000));
        EXPECT_EQ(text, QStringLiteral("sealed 2026-01-01 at seq 2"));
        EXPECT_EQ(journal.status().value(u"last_seal").toString().left(19),
                  QStringLiteral("2026-01-01T10:00:00"));
    }
    // An unsealed stray day, older still, stays whatever its age.
    const QString folder = dir.path() + QLatin1String("/asrun");
    writeAll(folder + QLatin1String("/2025-12-01.jsonl"), "{\"type\":\"stray\"}\n");
    const auto startAt = [&](QDate day) {
        clock.set(QDateTime(day, QTime(10, 0)));
        asrun::Journal journal(dir.path(), asrun::JournalOptions::read(dir.path()), clock, nullptr);
        journal.append(announcement(2));
        EXPECT_TRUE(journal.flush(5000));
    };
    startAt(QDate(2026, 1, 20));
    EXPECT_TRUE(QFile::exists(folder + QLatin1String("/2026-01-01.jsonl.minisig")));
    EXPECT_TRUE(QFile::exists(folder + QLatin1String("/2026-01-01.jsonl")));
    startAt(QDate(2026, 2, 15));
    EXPECT_FALSE(QFile::exists(folder + QLatin1String("/2026-01-01.jsonl")));
    EXPECT_FALSE(QFile::exists(folder + QLatin1String("/2026-01-01.jsonl.minisig")));
    EXPECT_TRUE(QFile::exists(folder + QLatin1String("/2026-01-20.jsonl")));
    EXPECT_TRUE(QFile::exists(folder + QLatin1String("/2025-12-01.jsonl")));
    const auto result = asrun::Verifier(stationPublicKey(dir.path()))
                            .verify({folder + QLatin1String("/2026-01-20.jsonl"),
                                     folder + QLatin1String("/2026-02-15.jsonl")});
    EXPECT_EQ(result.outcome, asrun::Verifier::Outcome::Holds) << result.text.toStdString();
}

// A full disk (a 64 KiB tmpfs): the records wait in memory in their order, velumo.log hears of
// it once, the records beyond the queue's bound are answered by one gap that counts them, and
// writing resumes by itself when space comes back; the chain holds throughout.
TEST(AsrunJournal, FullDiskKeepsTheOrderAndResumesWithACountedGap)
{
    SmallDisk disk;
    ASSERT_TRUE(disk.mounted) << "mounting a tmpfs needs root";
    const QTemporaryDir& dir = disk.dir;
    QTemporaryDir logDir;
    EventLog log(logDir.path() + QLatin1String("/velumo.log"));
    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(12, 0)));
    asrun::JournalOptions options;
    options.queueLimit = 40;
    const QString filler = dir.path() + QLatin1String("/filler");
    {
        asrun::Journal journal(dir.path(), options, clock, &log);
        journal.append(announcement(0));
        ASSERT_TRUE(journal.flush(5000));
        {
            QFile fill(filler);
            ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
            const QByteArray block(1024, 'x');
            while (fill.write(block) == block.size() && fill.flush()) {
            }
        }
        for (int i = 1; i <= 100; ++i)
            journal.append(announcement(i));
        ASSERT_TRUE(waitFor(
            [&] { return !logEvents(log.path(), QStringLiteral("error")).isEmpty(); }, 5000));
        // Retried every second, told once.
        waitFor([] { return false; }, 2500);
        const QStringList errors = logEvents(log.path(), QStringLiteral("error"));
        ASSERT_EQ(errors.size(), 1) << errors.join(u'\n').toStdString();
        EXPECT_TRUE(errors[0].contains(QStringLiteral("No space left on device")))
            << errors[0].toStdString();
        const qint64 stuckSeq = journal.status().value(u"last_seq").toInteger();
        EXPECT_LT(stuckSeq, 60);
        // A seal asked for now would wait behind the records: it is refused at once.
        std::optional<bool> sealed;
        journal.seal([&](bool ok, QString) { sealed = ok; });
        ASSERT_TRUE(waitFor([&] { return sealed.has_value(); }, 2000));
        EXPECT_FALSE(*sealed);
        QFile::remove(filler);
        ASSERT_TRUE(waitFor([&] { return journal.flush(0); }, 10000));
        journal.append(announcement(101));
        ASSERT_TRUE(journal.flush(5000));
        waitFor([&] { return logEvents(log.path(), QStringLiteral("asrun")).size() >= 2; }, 2000);
        const QStringList notes = logEvents(log.path(), QStringLiteral("asrun"));
        ASSERT_EQ(notes.size(), 2) << notes.join(u'\n').toStdString();
        EXPECT_TRUE(notes[0].contains(QStringLiteral("переполнена")));
        EXPECT_EQ(notes[1], QStringLiteral("Журнал показов снова записывается"));
    }
    // Every announcement in its order, and every one that found no room counted by a gap where
    // it would have stood (the writer may get a record out while the disk is full, so the loss
    // can come as more than one gap).
    const auto list = records(dir.path() + QLatin1String("/asrun/2026-12-09.jsonl"));
    int expected = 0;
    int gaps = 0;
    for (const QJsonObject& record : list) {
        const QString type = record.value(u"type").toString();
        if (type == u"announcement") {
            EXPECT_EQ(record.value(u"index").toInt(), expected);
            expected = record.value(u"index").toInt() + 1;
        } else if (type == u"gap") {
            EXPECT_EQ(record.value(u"reason").toString(), QStringLiteral("queue full"));
            expected += record.value(u"lost").toInt();
            ++gaps;
        }
    }
    EXPECT_GE(gaps, 1);
    EXPECT_EQ(expected, 102);
    const auto result = verifyFolder(dir.path());
    EXPECT_EQ(result.outcome, asrun::Verifier::Outcome::Holds) << result.text.toStdString();
}

// Midnight closes the day with no record to trigger it; a clock stepped back past that midnight
// never reopens the closed day: its records go to the open day and the chain holds.
TEST(AsrunJournal, MidnightClosesTheDayByItselfAndAClockStepBackNeverReopensIt)
{
    QTemporaryDir dir;
    ManualClock clock(kEvening);
    const QString folder = dir.path() + QLatin1String("/asrun");
    {
        asrun::Journal journal(dir.path(), {}, clock, nullptr);
        journal.append(announcement(1));
        ASSERT_TRUE(journal.flush(5000));
        clock.set(QDateTime(QDate(2026, 12, 10), QTime(0, 0, 0, 500)));
        ASSERT_TRUE(waitFor(
            [&] { return QFile::exists(folder + QLatin1String("/2026-12-09.jsonl.minisig")); },
            5000));
        clock.set(kEvening);  // an NTP step back of a few seconds
        journal.append(announcement(2));
        ASSERT_TRUE(journal.flush(5000));
    }
    EXPECT_EQ(minisignVerify(dir.path(), folder + QLatin1String("/2026-12-09.jsonl")), 0);
    const auto second = records(folder + QLatin1String("/2026-12-10.jsonl"));
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(second[0].value(u"index").toInt(), 2);
    EXPECT_EQ(second[0].value(u"local").toString().left(19), QStringLiteral("2026-12-09T23:59:58"));
    const auto result = verifyFolder(dir.path());
    EXPECT_EQ(result.outcome, asrun::Verifier::Outcome::Holds) << result.text.toStdString();
}

namespace {

QStringList types(const QList<QJsonObject>& list)
{
    QStringList names;
    for (const QJsonObject& record : list)
        names.append(record.value(u"type").toString());
    return names;
}

}  // namespace

// Without a usable key (asrun.key gone while asrun.pub is there, or rubbish) the writer goes on:
// midnight closes the day with an "unsealed" record that says why, velumo.log and status say it,
// the exit is prompt and clean (no gap at the next start), and the verifier refuses the day.
TEST(AsrunJournal, WithoutAUsableKeyDaysCloseUnsealedAndSayWhy)
{
    const QList<std::pair<const char*, QByteArray>> damages{{"gone", {}},
                                                            {"rubbish", "not a key\n"}};
    for (const auto& [what, bytes] : damages) {
        SCOPED_TRACE(what);
        QTemporaryDir dir;
        const QString keyPath = dir.path() + QLatin1String("/asrun.key");
        ManualClock clock(kEvening);
        {
            asrun::Journal journal(dir.path(), {}, clock, nullptr);
            journal.append(announcement(1));
        }
        QFile::remove(keyPath);
        if (!bytes.isEmpty())
            writeAll(keyPath, bytes);
        EventLog log(dir.path() + QLatin1String("/velumo.log"));
        for (int run = 0; run < 2; ++run) {
            asrun::Journal journal(dir.path(), {}, clock, &log);
            journal.append(announcement(2 + run));
            ASSERT_TRUE(journal.flush(5000));
            EXPECT_TRUE(journal.status().value(u"error").toString().contains(u"asrun.key"));
            clock.set(kEvening.addSecs(3 + run));  // past midnight
            journal.append(announcement(4 + run));
            ASSERT_TRUE(journal.flush(5000));
        }
        ASSERT_FALSE(QFile::exists(keyPath) && bytes.isEmpty()) << "no new key beside asrun.pub";
        const QString folder = dir.path() + QLatin1String("/asrun");
        const auto first = records(folder + QLatin1String("/2026-12-09.jsonl"));
        EXPECT_EQ(types(first), (QStringList{"announcement", "seal", "announcement", "unsealed"}));
        EXPECT_TRUE(first[3].value(u"why").toString().contains(u"asrun.key"));
        // The clean exit of the first run leaves no gap at the second's start.
        const auto second = records(folder + QLatin1String("/2026-12-10.jsonl"));
        EXPECT_EQ(types(second), (QStringList{"announcement", "unsealed", "announcement",
                                              "announcement", "unsealed"}));
        EXPECT_TRUE(logEvents(log.path(), QStringLiteral("error"))
                        .value(0)
                        .contains(QStringLiteral("без печати")));
        const auto result = verifyFolder(dir.path());
        EXPECT_EQ(result.outcome, asrun::Verifier::Outcome::Broken);
        EXPECT_TRUE(result.text.contains(QStringLiteral("2026-12-09.jsonl:4")))
            << result.text.toStdString();
    }
}

// The exit waits for the writer no more than 5 s: a full disk at midnight (a real 64 KiB tmpfs)
// refuses at once and the records it held back are counted in velumo.log; a writer that hangs in
// the file system (its key file a FIFO nobody writes, as a share that stopped answering) is left.
TEST(AsrunJournal, TheExitNeverWaitsLongForTheWriterAndCountsWhatItDidNotWrite)
{
    SmallDisk disk;
    ASSERT_TRUE(disk.mounted) << "mounting a tmpfs needs root";
    const QTemporaryDir& dir = disk.dir;
    QTemporaryDir logDir;
    EventLog log(logDir.path() + QLatin1String("/velumo.log"));
    ManualClock clock(kEvening);
    QElapsedTimer exit;
    {
        asrun::Journal journal(dir.path(), {}, clock, &log);
        journal.append(announcement(0));
        ASSERT_TRUE(journal.flush(5000));
        QFile fill(dir.path() + QLatin1String("/filler"));
        ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
        while (fill.write(QByteArray(1024, 'x')) == 1024 && fill.flush()) {
        }
        // The day's file takes records until its last block is full too, then midnight comes.
        for (int i = 1; i <= 40; ++i)
            journal.append(announcement(i));
        ASSERT_TRUE(waitFor(
            [&] { return !logEvents(log.path(), QStringLiteral("error")).isEmpty(); }, 5000));
        clock.set(kEvening.addSecs(3));
        journal.append(announcement(41));
        waitFor([] { return false; }, 1500);
        EXPECT_FALSE(journal.status().value(u"error").toString().isEmpty());
        exit.start();
    }
    EXPECT_LT(exit.elapsed(), asrun::Journal::kExitWait.count());
    const qsizetype written =
        types(records(dir.path() + QLatin1String("/asrun/2026-12-09.jsonl"))).count("announcement");
    EXPECT_TRUE(logEvents(log.path(), QStringLiteral("error"))
                    .contains(QStringLiteral("Журнал показов: при выходе не записано записей: %1")
                                  .arg(42 - written)))
        << logEvents(log.path(), QStringLiteral("error")).join(u'\n').toStdString();

    QTemporaryDir hung;
    const QByteArray fifo = QFile::encodeName(hung.path() + QLatin1String("/asrun.key"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    {
        asrun::Journal journal(hung.path(), {}, clock, &log);
        for (int i = 1; i <= 3; ++i)
            journal.append(announcement(i));
        exit.start();
    }
    EXPECT_LT(exit.elapsed(), asrun::Journal::kExitWait.count() + 1000);
    EXPECT_TRUE(logEvents(log.path(), QStringLiteral("error")).last().endsWith(u"записей: 3"));
    // The thread left behind goes on once its read returns, and ends at its next step.
    const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ::close(writer);
    EXPECT_TRUE(waitFor([&] { return QDir(hung.path() + QLatin1String("/asrun")).exists(); }));
}

// A clock in a wrong year (unsynchronised) removes no sealed day, nor does a start whose clock is
// behind the last record written; once the clock is back, records go to their own date's file
// (not on into the future day), and the chain verifies in the order the files were written.
TEST(AsrunJournal, AClockInAWrongYearRemovesNothingAndRecordsGoBackToTheirOwnDate)
{
    QTemporaryDir dir;
    writeAll(dir.path() + QLatin1String("/asrun.ini"), "retention_days=30\n");
    const auto options = asrun::JournalOptions::read(dir.path());
    const QString folder = dir.path() + QLatin1String("/asrun");
    ManualClock clock(QDateTime(QDate(2026, 1, 1), QTime(10, 0)));
    {
        asrun::Journal journal(dir.path(), options, clock, nullptr);
        journal.append(announcement(1));
        ASSERT_TRUE(journal.flush(5000));
        clock.set(QDateTime(QDate(2026, 1, 2), QTime(10, 0)));
        journal.append(announcement(2));
        ASSERT_TRUE(journal.flush(5000));
        clock.setSynchronised(false);
        clock.set(QDateTime(QDate(2031, 6, 1), QTime(10, 0)));
        journal.append(announcement(3));
        ASSERT_TRUE(journal.flush(5000));
    }
    const QStringList sealed{folder + QLatin1String("/2026-01-01.jsonl"),
                             folder + QLatin1String("/2026-01-02.jsonl")};
    for (const QString& day : sealed)
        EXPECT_TRUE(QFile::exists(day) && QFile::exists(day + QLatin1String(".minisig")));
    clock.setSynchronised(true);
    clock.set(QDateTime(QDate(2026, 3, 1), QTime(10, 0)));
    {
        asrun::Journal journal(dir.path(), options, clock, nullptr);
        ASSERT_TRUE(journal.flush(5000));
        for (const QString& day : sealed)
            EXPECT_TRUE(QFile::exists(day)) << "the clock is behind the last record";
        journal.append(announcement(4));
        ASSERT_TRUE(journal.flush(5000));
    }
    const auto back = records(folder + QLatin1String("/2026-03-01.jsonl"));
    ASSERT_FALSE(back.isEmpty());
    EXPECT_EQ(back[0].value(u"index").toInt(), 4);
    EXPECT_EQ(types(records(folder + QLatin1String("/2031-06-01.jsonl"))).last(), "seal");
    const auto result = verifyFolder(dir.path());
    EXPECT_EQ(result.outcome, asrun::Verifier::Outcome::Holds) << result.text.toStdString();
}
