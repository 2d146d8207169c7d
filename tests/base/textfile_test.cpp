#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <csignal>
#include <functional>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/textfile.h"
#include "fakes/testsupport.h"

namespace velumo {
namespace {

struct SplitCase {
    const char* title;
    QString text;
    QStringList lines;
};

class SplitLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLines, Lines)
{
    EXPECT_EQ(splitLines(GetParam().text), GetParam().lines) << GetParam().title;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitLines,
    ::testing::Values(SplitCase{"empty", "", {}}, SplitCase{"one without end", "a", {"a"}},
                      SplitCase{"final CR LF adds no line", "a\r\nb\r\n", {"a", "b"}},
                      SplitCase{"empty lines kept", "\r\n\r\na\r\n\r\n", {"", "", "a", ""}},
                      SplitCase{"LF and CR alone", "a\nb\rc", {"a", "b", "c"}},
                      SplitCase{"LF CR is two ends", "a\n\rb", {"a", "", "b"}},
                      SplitCase{"lone line end", "\r\n", {""}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST(DecodeText, Cp1251Utf8AndBom)
{
    const QString russian = QStringLiteral("Объявление №1: ёлка, я");
    // Windows-1251 bytes are not valid UTF-8.
    EXPECT_EQ(decodeText(encodeCp1251(russian)), russian);
    // Valid UTF-8 with non-ASCII bytes is read as UTF-8, with or without the mark.
    EXPECT_EQ(decodeText(russian.toUtf8()), russian);
    EXPECT_EQ(decodeText("\xEF\xBB\xBF" + russian.toUtf8()), russian);
    // The mark alone decides even when the rest is not valid UTF-8 (a broken byte is replaced).
    EXPECT_TRUE(decodeText("\xEF\xBB\xBF"
                           "abc")
                    .startsWith(u"abc"));
    // Plain ASCII either way.
    EXPECT_EQ(decodeText("plain"), "plain");
    // A cp1251 text that happens to be two letters forming a valid UTF-8 sequence is rare;
    // a lone high byte is never UTF-8.
    EXPECT_EQ(decodeText("\xFF"), QStringLiteral("я"));
}

TEST(DecodeText, AllCp1251BytesRoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    EXPECT_EQ(encodeCp1251(decodeCp1251(all)), all);
}

TEST(DecodeText, TheTableDecoderAndTheUtf8CheckAgreeWithQtsDecoders)
{
    // Every byte, alone and in a run, as the system's Windows-1251 decoder reads it.
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QStringDecoder cp1251("windows-1251");
    ASSERT_TRUE(cp1251.isValid());
    EXPECT_EQ(decodeCp1251(all), cp1251.decode(all));
    EXPECT_EQ(decodeCp1251(QByteArray()), QString());

    // UTF-8 judged as Qt's decoder judges it: good forms, and each kind of broken one.
    const QByteArray cases[] = {
        "",
        "ascii",
        "\xD0\x9E\xD0\xB1",          // Об
        "\xE2\x80\x94",              // an em dash
        "\xF0\x9F\x98\x80",          // beyond the basic plane
        "\xF4\x8F\xBF\xBF",          // the last code point
        "\xC0\xAF",                  // overlong
        "\xE0\x80\xAF",              // overlong
        "\xF0\x80\x80\xAF",          // overlong
        "\xED\xA0\x80",              // a surrogate
        "\xF4\x90\x80\x80",          // above U+10FFFF
        "\xF5\x80\x80\x80",          // no such lead byte
        "\xD0",                      // cut short
        "\xE2\x80",                  // cut short
        "\x80",                      // a lone continuation
        "\xD0\x9E\xCE",              // good, then cut short
        "\xCE\xE1\xFA\xFF\xE2\xEB",  // Windows-1251 text
    };
    for (const QByteArray& bytes : cases) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString decoded = utf8.decode(bytes);
        EXPECT_EQ(isValidUtf8(bytes), !utf8.hasError()) << bytes.toHex().toStdString();
    }
}

class AtomicWrite : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    static mode_t modeOf(const QString& p)
    {
        struct stat st {};
        ::stat(QFile::encodeName(p).constData(), &st);
        return st.st_mode & 07777;
    }
    QStringList entries() const
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(AtomicWrite, ReplacesWholeAndLeavesNoTemporaryFile)
{
    const QString file = path("velumo.cfg");
    writeFileAtomic(file, "old content");
    writeFileAtomic(file, "new");
    EXPECT_EQ(test::readAll(file), "new");
    EXPECT_EQ(entries(), QStringList{"velumo.cfg"});
}

TEST_F(AtomicWrite, ForcedModeAndKeptMode)
{
    const QString file = path("velumo.cfg");
    writeFileAtomic(file, "x", 0644, true);
    EXPECT_EQ(modeOf(file), mode_t(0644));
    writeFileAtomic(file, "y", 0600, true);
    EXPECT_EQ(modeOf(file), mode_t(0600));
    // Without forcing, an existing file keeps its mode.
    ::chmod(QFile::encodeName(file).constData(), 0640);
    writeFileAtomic(file, "z");
    EXPECT_EQ(modeOf(file), mode_t(0640));
}

TEST_F(AtomicWrite, TargetThatIsAFolderFailsAndStaysAFolder)
{
    const QString target = path("velumo.cfg");
    ASSERT_TRUE(QDir().mkdir(target));
    ASSERT_TRUE(QDir(target).exists());
    test::writeAll(target + "/inside", "keep");
    EXPECT_THROW(writeFileAtomic(target, "data"), Failure);
    EXPECT_EQ(test::readAll(target + "/inside"), "keep");
    EXPECT_EQ(entries(), QStringList{"velumo.cfg"});
}

// Runs body in a child process (whose limits and identity may be changed without harming the
// test run) and gives its exit code.
int inChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 3;
        try {
            code = body();
        } catch (...) {
            code = 4;
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// Exit codes of the children: 0 the write failed as it should, 1 it claimed success.
int expectFailure(const QString& file, const QByteArray& data)
{
    try {
        writeFileAtomic(file, data, 0600, true);
    } catch (const Failure&) {
        return 0;
    }
    return 1;
}

TEST_F(AtomicWrite, NonWritableFolderFailsAndOldFileStaysWhole)
{
    const QString file = path("velumo.cfg");
    writeFileAtomic(file, "whole old file");
    const int code = inChild([&] {
        // Root writes into any folder: the child gives up root first.
        if (::geteuid() == 0 && ::setuid(65534) != 0)
            return 5;
        if (::geteuid() != 0)
            ::chmod(QFile::encodeName(dir.path()).constData(), 0500);
        return expectFailure(file, "new");
    });
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(test::readAll(file), "whole old file");
    EXPECT_EQ(entries(), QStringList{"velumo.cfg"});
}

TEST_F(AtomicWrite, DiskFullInTheMiddleFailsAndOldFileStaysWhole)
{
    // A file size limit cuts the write short after 1000 bytes, as a full disk does.
    const QString file = path("velumo.cfg");
    writeFileAtomic(file, "whole old file");
    const int code = inChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            1000, 1000
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        return expectFailure(file, QByteArray(3 << 20, 'x'));
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(test::readAll(file), "whole old file");
    EXPECT_EQ(entries(), QStringList{"velumo.cfg"});
}

TEST_F(AtomicWrite, PathThroughAFileFails)
{
    const QString file = path("plain");
    test::writeAll(file, "old");
    EXPECT_THROW(writeFileAtomic(file + "/child", "x"), Failure);
    EXPECT_EQ(test::readAll(file), "old");
    EXPECT_THROW(writeFileAtomic(path("no/such/folder/velumo.cfg"), "x"), Failure);
}

TEST_F(AtomicWrite, SymbolicLinkStaysALink)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("real"));
    const QString real = path("real/velumo.cfg");
    writeFileAtomic(real, "old");
    const QString link = path("velumo.cfg");
    ASSERT_TRUE(QFile::link(real, link));
    writeFileAtomic(link, "new");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(test::readAll(real), "new");
    // A dangling link gets its file made.
    QFile::remove(real);
    writeFileAtomic(link, "again");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(test::readAll(real), "again");
}

TEST_F(AtomicWrite, TextLinesAreCp1251WithCrLf)
{
    const QString file = path("block.str");
    writeTextLines(file, {QStringLiteral("^1"), QStringLiteral("~0"), QStringLiteral("1Привет я")});
    EXPECT_EQ(test::readAll(file),
              "^1\r\n~0\r\n" + encodeCp1251(QStringLiteral("1Привет я")) + "\r\n");
    EXPECT_EQ(readTextLines(file), (QStringList{"^1", "~0", QStringLiteral("1Привет я")}));
}

TEST_F(AtomicWrite, ReadingMissingFileOrFolderFails)
{
    EXPECT_THROW(readTextLines(path("missing.str")), Failure);
    EXPECT_THROW(readFileBytes(dir.path()), Failure);
}

// ---- bounded reading ----

class BoundedRead : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    // The text of the failure reading path, or "" when it was read.
    static QString failureOf(const QString& file, qint64 limit = kMaxBlockFileBytes)
    {
        try {
            readFileBytes(file, limit);
            return QString();
        } catch (const Failure& failure) {
            return failure.text();
        }
    }
};

TEST_F(BoundedRead, SpecialFilesAndLinksToThemAreRefusedWithoutBlocking)
{
    const QString fifo = path("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QDir().mkpath(path("folder"));
    const QStringList targets = {fifo, QStringLiteral("/dev/zero"), QStringLiteral("/dev/urandom"),
                                 QStringLiteral("/dev/null"), path("folder")};
    QStringList names = targets;
    for (int i = 0; i < targets.size(); ++i) {
        const QString link = path(QStringLiteral("link%1").arg(i));
        ASSERT_TRUE(QFile::link(targets[i], link));
        names.append(link);
    }
    // A pipe without a writer would hold an ordinary open() for good: the whole check runs
    // in a child that is killed when it takes too long.
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(5);
        for (const QString& name : names) {
            const QString text = failureOf(name);
            if (!text.contains(QLatin1String("Not a regular file")) &&
                !text.contains(QLatin1String("Is a directory")))
                ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the reader blocked or crashed";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (const QString& name : names)
        EXPECT_FALSE(failureOf(name).isEmpty()) << name.toStdString();
}

TEST_F(BoundedRead, AFileOverItsLimitIsRefusedAndTheTextNamesTheLimit)
{
    // Sparse: 200 MB of nothing costs no disk, and must cost no memory either.
    const QString sparse = path("big.str");
    {
        QFile file(sparse);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(200'000'000));
    }
    const QString text = failureOf(sparse);
    EXPECT_TRUE(text.contains(QString::number(kMaxBlockFileBytes))) << text.toStdString();
    EXPECT_THROW(readTextLines(sparse), Failure);

    test::writeAll(path("small.txt"), QByteArray(100, 'a'));
    EXPECT_TRUE(failureOf(path("small.txt"), 99).contains(QLatin1String("larger than 99 bytes")));
    EXPECT_EQ(readFileBytes(path("small.txt"), 100), QByteArray(100, 'a'));
    test::writeAll(path("empty.txt"), QByteArray());
    EXPECT_EQ(readFileBytes(path("empty.txt")), QByteArray());
}

TEST_F(BoundedRead, ProcFilesWhoseSizeReadsAsZeroAreRefused)
{
    // Files of the kernel report a size of 0 and may be endless: not regular files by content,
    // but regular by kind; they are read up to the limit and no further.
    const QString text = failureOf(QStringLiteral("/proc/self/maps"), 16);
    EXPECT_TRUE(text.contains(QLatin1String("larger than 16 bytes"))) << text.toStdString();
}

TEST(LeftoverTemporaries, OnlyTheProgramsOwnOlderThanTheStartAreRemoved)
{
    QTemporaryDir a;
    QTemporaryDir b;
    const QDateTime start = QDateTime::currentDateTime();
    const QStringList leftovers = {a.filePath(".velumo.cfg.tmpAb12Cd"),
                                   b.filePath(".202612090400.csv.tmpXyZ789")};
    const QStringList kept = {a.filePath("velumo.cfg"),
                              a.filePath(".velumo.cfg.tmp"),
                              a.filePath(".velumo.cfg.tmpAb12C"),
                              a.filePath("x.tmpAb12Cd"),
                              a.filePath(".velumo.cfg.tmpAb12Cd.bak"),
                              b.filePath(".new.csv.tmpQQQQQQ")};
    for (const QString& f : leftovers + kept)
        test::writeAll(f, "x");
    // Older than the start, but for the one written by a copy running now.
    for (const QString& f : leftovers + kept.mid(0, kept.size() - 1)) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(start.addSecs(-60), QFileDevice::FileModificationTime));
    }
    {
        QFile file(b.filePath(".new.csv.tmpQQQQQQ"));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(start.addSecs(5), QFileDevice::FileModificationTime));
    }
    // A folder of that name is no leftover file.
    QDir(a.path()).mkdir(".dir.tmpAAAAAA");

    QTemporaryDir logDir;
    EventLog log(logDir.filePath("velumo.log"));
    const QStringList removed =
        removeLeftoverTemporaries({a.path(), b.path(), a.path() + "/", QString()}, start, &log);
    EXPECT_EQ(removed.size(), 2);
    for (const QString& f : leftovers)
        EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
    for (const QString& f : kept)
        EXPECT_TRUE(QFile::exists(f)) << f.toStdString();
    EXPECT_TRUE(QFileInfo(a.filePath(".dir.tmpAAAAAA")).isDir());
    EXPECT_EQ(test::logEvents(logDir.filePath("velumo.log"), "file").size(), 2);
}

}  // namespace
}  // namespace velumo
