#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "asrun/journalrig.h"
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
