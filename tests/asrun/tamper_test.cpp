#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <random>

#include "asrun/journalrig.h"
#include "fakes/testsupport.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// Three closed days of records (announcements and content), each ending with its midnight seal
// and signed; the fourth day is open and left out of the checks.
class Tampering : public ::testing::Test {
protected:
    void SetUp() override
    {
        ManualClock clock(QDateTime(QDate(2026, 12, 7), QTime(21, 0)));
        {
            asrun::Journal journal(dir.path(), {}, clock, nullptr);
            for (int day = 0; day < 3; ++day) {
                for (int i = 0; i < 12; ++i) {
                    journal.append(
                        announcement(day * 100 + i, QStringLiteral("Распродажа «%1»").arg(i)));
                    clock.advanceMs(7 * 60 * 1000);
                    if (i == 5) {
                        bool sealed = false;
                        journal.seal([&](bool ok, QString) { sealed = ok; });
                        ASSERT_TRUE(waitFor([&] { return sealed; }, 5000));
                    }
                }
                clock.advanceMs(24 * 3600 * 1000 - 12 * 7 * 60 * 1000);
            }
            journal.append(announcement(999));
            ASSERT_TRUE(journal.flush(5000));
        }
        const QStringList all = journalFiles(dir.path() + QLatin1String("/asrun"));
        ASSERT_EQ(all.size(), 4);
        files = all.mid(0, 3);
        for (const QString& file : files) {
            ASSERT_TRUE(QFile::exists(file + QLatin1String(".minisig")));
            pristine.append(readAll(file));
        }
        key.emplace(stationPublicKey(dir.path()));
        const auto result = asrun::Verifier(*key).verify(files);
        ASSERT_EQ(result.outcome, asrun::Verifier::Outcome::Holds) << result.text.toStdString();
    }

    // The verifier's answer to the files with one of them replaced by bytes.
    asrun::Verifier::Result verifyWith(int file, const QByteArray& bytes)
    {
        writeAll(files[file], bytes);
        const auto result = asrun::Verifier(*key).verify(files);
        writeAll(files[file], pristine[file]);
        return result;
    }

    static QList<QByteArray> lines(const QByteArray& bytes) { return bytes.chopped(1).split('\n'); }
    static QByteArray join(const QList<QByteArray>& lines) { return lines.join('\n') + '\n'; }

    void expectFound(const asrun::Verifier::Result& result, const std::string& what)
    {
        static const QRegularExpression namesARecord(
            QStringLiteral("\\d{4}-\\d\\d-\\d\\d\\.jsonl:\\d+"));
        EXPECT_EQ(result.outcome, asrun::Verifier::Outcome::Broken) << what;
        EXPECT_TRUE(namesARecord.match(result.text).hasMatch())
            << what << ": " << result.text.toStdString();
    }

    QTemporaryDir dir;
    QStringList files;
    QList<QByteArray> pristine;
    std::optional<asrun::PublicKey> key;
    std::mt19937 random{424242};
};

int pick(std::mt19937& random, qsizetype size)
{
    return std::uniform_int_distribution<int>(0, int(size) - 1)(random);
}

}  // namespace

TEST_F(Tampering, EverySingleByteEditIsFoundAndNamed)
{
    for (int n = 0; n < 200; ++n) {
        const int file = pick(random, files.size());
        QByteArray bytes = pristine[file];
        const int at = pick(random, bytes.size());
        const char was = bytes[at];
        bytes[at] = char(was + 1 + pick(random, 255));
        expectFound(verifyWith(file, bytes), "edit " + std::to_string(n) + " of byte " +
                                                 std::to_string(at) + " in file " +
                                                 std::to_string(file));
    }
}

TEST_F(Tampering, DeletedInsertedAndSwappedLinesAreFoundAndNamed)
{
    for (int n = 0; n < 60; ++n) {
        const int file = pick(random, files.size());
        QList<QByteArray> list = lines(pristine[file]);
        list.removeAt(pick(random, list.size()));
        expectFound(verifyWith(file, join(list)), "deletion " + std::to_string(n));
    }
    for (int n = 0; n < 60; ++n) {
        const int file = pick(random, files.size());
        QList<QByteArray> list = lines(pristine[file]);
        // A copy of a record from anywhere, or one made up in the journal's own shape.
        const QList<QByteArray> source = lines(pristine[pick(random, files.size())]);
        QByteArray inserted = source[pick(random, source.size())];
        if (n % 2)
            inserted = "{\"index\":7,\"prev\":\"" +
                       inserted.mid(inserted.indexOf("\"prev\":\"") + 8, 64) +
                       "\",\"seq\":5,\"type\":\"announcement\"}";
        list.insert(pick(random, list.size() + 1), inserted);
        expectFound(verifyWith(file, join(list)), "insertion " + std::to_string(n));
    }
    for (int n = 0; n < 60; ++n) {
        const int file = pick(random, files.size());
        QList<QByteArray> list = lines(pristine[file]);
        const int a = pick(random, list.size());
        int b = pick(random, list.size());
        if (b == a)
            b = (a + 1) % int(list.size());
        list.swapItemsAt(a, b);
        expectFound(verifyWith(file, join(list)), "swap " + std::to_string(n));
    }
    // A day cut short and a day left out of the middle.
    QList<QByteArray> list = lines(pristine[1]);
    list.removeLast();
    expectFound(verifyWith(1, join(list)), "truncated day");
    const auto missing = asrun::Verifier(*key).verify({files[0], files[2]});
    expectFound(missing, "missing day");
    QFile::remove(files[1]);
    const auto unreadable = asrun::Verifier(*key).verify(files);
    EXPECT_EQ(unreadable.outcome, asrun::Verifier::Outcome::Unreadable);
    writeAll(files[1], pristine[1]);
}

// The stock minisign checks a closed day with asrun.pub alone and refuses an edited one.
TEST_F(Tampering, StockMinisignAcceptsAClosedDayAndRefusesAnEditedOne)
{
    const auto minisign = [&](const QString& file) {
        QProcess process;
        process.start(QStringLiteral("minisign"),
                      {QStringLiteral("-V"), QStringLiteral("-p"),
                       dir.path() + QLatin1String("/asrun.pub"), QStringLiteral("-m"), file});
        process.waitForFinished(10000);
        return process.exitCode();
    };
    for (const QString& file : files)
        EXPECT_EQ(minisign(file), 0) << file.toStdString();
    QByteArray edited = pristine[1];
    edited[edited.indexOf("Распродажа")] = 'X';
    writeAll(files[1], edited);
    EXPECT_NE(minisign(files[1]), 0);
    writeAll(files[1], pristine[1]);
}
