#include <gtest/gtest.h>
#include <QTemporaryDir>
#include <cstring>

#include "base/failure.h"
#include "fakes/testsupport.h"
#include "fakes/testzip.h"
#include "players/slides/ziparchive.h"

using namespace velumo;
using namespace velumo::test;

namespace {

// Offsets of the fields of a central-directory record and of the end record.
constexpr qsizetype kDirCompressed = 20;
constexpr qsizetype kDirBytes = 24;
constexpr qsizetype kDirHeaderOffset = 42;
constexpr qsizetype kEndEntriesHere = 8;
constexpr qsizetype kEndEntries = 10;
constexpr qsizetype kEndOffset = 16;

class Zip : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const QByteArray text = QByteArray("<p:sld show=\"0\">slide</p:sld>\n").repeated(200);
    const QList<TestZipEntry> entries{{"mimetype", "application/x-test", false},
                                      {"ppt/slides/slide1.xml", text, true},
                                      {"empty", QByteArray(), true},
                                      {"stored-empty", QByteArray(), false}};

    QString file(const QByteArray& bytes)
    {
        const QString path = dir.filePath(QStringLiteral("a.zip"));
        writeAll(path, bytes);
        return path;
    }
    // The text of the Failure that opening the archive and reading the entry gives.
    QString failure(const QByteArray& bytes,
                    const QString& entry = QStringLiteral("ppt/slides/slide1.xml"))
    {
        try {
            ZipArchive zip(file(bytes));
            zip.read(entry);
        } catch (const Failure& f) {
            return f.text();
        }
        return QString();
    }
    static qsizetype endRecord(const QByteArray& zip)
    {
        return zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    }
};

TEST_F(Zip, ReadsStoredAndDeflatedEntriesByName)
{
    ZipArchive zip(file(zipArchive(entries, "a comment after the end record")));
    EXPECT_EQ(zip.names(),
              (QStringList{"mimetype", "ppt/slides/slide1.xml", "empty", "stored-empty"}));
    EXPECT_TRUE(zip.contains(QStringLiteral("mimetype")));
    EXPECT_FALSE(zip.contains(QStringLiteral("ppt/slides/slide2.xml")));
    EXPECT_EQ(zip.read(QStringLiteral("ppt/slides/slide1.xml")), text);
    EXPECT_EQ(zip.read(QStringLiteral("mimetype")), "application/x-test");
    EXPECT_EQ(zip.read(QStringLiteral("empty")), QByteArray());
    EXPECT_EQ(zip.read(QStringLiteral("stored-empty")), QByteArray());
    // Entries read in any order, more than once.
    EXPECT_EQ(zip.read(QStringLiteral("mimetype")), "application/x-test");

    try {
        zip.read(QStringLiteral("ppt/slides/slide2.xml"));
        ADD_FAILURE() << "a missing entry was read";
    } catch (const Failure& f) {
        EXPECT_TRUE(f.text().contains(u"ppt/slides/slide2.xml")) << f.text().toStdString();
        EXPECT_TRUE(f.text().contains(zip.path())) << f.text().toStdString();
    }
}

TEST_F(Zip, WhatIsNoArchiveFailsClearly)
{
    EXPECT_TRUE(failure(QByteArray()).contains(u"too short"));
    EXPECT_TRUE(failure("pptx bytes, but no archive at all").contains(u"no end of central"));
    EXPECT_TRUE(failure(QByteArray(100'000, 'x')).contains(u"no end of central"));
    try {
        ZipArchive zip(dir.filePath(QStringLiteral("missing.zip")));
        ADD_FAILURE() << "a missing file was opened";
    } catch (const Failure& f) {
        EXPECT_TRUE(f.text().contains(u"missing.zip")) << f.text().toStdString();
    }
}

TEST_F(Zip, ATruncatedArchiveFailsAtEveryLength)
{
    const QByteArray whole = zipArchive(entries);
    for (qsizetype size = 0; size < whole.size(); ++size) {
        try {
            ZipArchive zip(file(whole.left(size)));
            for (const QString& name : zip.names())
                zip.read(name);
            ADD_FAILURE() << "an archive cut at " << size << " of " << whole.size() << " was read";
        } catch (const Failure&) {
        }
    }
}

TEST_F(Zip, SizesThatLieAreCaughtBeforeAnythingLargeIsAllocated)
{
    const QByteArray good = zipArchive(entries);
    const qsizetype slide = zipDirectoryRecord(good, 1);

    // The stream holds more than the header says: found when the output is full.
    QByteArray small = good;
    putLe32(small, slide + kDirBytes, quint32(text.size() / 2));
    EXPECT_TRUE(failure(small).contains(u"larger than its header says"))
        << failure(small).toStdString();

    QByteArray large = good;
    putLe32(large, slide + kDirBytes, quint32(text.size() + 1));
    EXPECT_TRUE(failure(large).contains(u"smaller than its header says"))
        << failure(large).toStdString();

    // A header that claims gigabytes is refused before any of it is read.
    QByteArray huge = good;
    putLe32(huge, slide + kDirBytes, 0xfffffff0u);
    EXPECT_TRUE(failure(huge).contains(u"more than")) << failure(huge).toStdString();
    QByteArray hugePacked = good;
    putLe32(hugePacked, slide + kDirCompressed, 0xfffffff0u);
    EXPECT_FALSE(failure(hugePacked).isEmpty());

    // A stored entry whose two sizes differ.
    QByteArray stored = good;
    putLe32(stored, zipDirectoryRecord(good, 0) + kDirBytes, 3);
    EXPECT_TRUE(failure(stored, QStringLiteral("mimetype")).contains(u"do not fit"));

    // A local header that is not where the directory says.
    QByteArray moved = good;
    putLe32(moved, slide + kDirHeaderOffset, 7);
    EXPECT_TRUE(failure(moved).contains(u"no local header")) << failure(moved).toStdString();
    putLe32(moved, slide + kDirHeaderOffset, 0x7ffffff0u);
    EXPECT_FALSE(failure(moved).isEmpty());
}

TEST_F(Zip, ADirectoryThatLiesFails)
{
    const QByteArray good = zipArchive(entries);
    const qsizetype end = endRecord(good);

    // More entries than the directory can hold, or than an archive may list.
    QByteArray more = good;
    putLe16(more, end + kEndEntries, 900);
    putLe16(more, end + kEndEntriesHere, 900);
    EXPECT_TRUE(failure(more).contains(u"shorter than its entries")) << failure(more).toStdString();
    putLe16(more, end + kEndEntries, 60'000);
    putLe16(more, end + kEndEntriesHere, 60'000);
    EXPECT_TRUE(failure(more).contains(u"more than")) << failure(more).toStdString();

    QByteArray outside = good;
    putLe32(outside, end + kEndOffset, quint32(good.size()));
    EXPECT_TRUE(failure(outside).contains(u"outside the file")) << failure(outside).toStdString();

    QByteArray zip64 = good;
    putLe32(zip64, end + kEndOffset, 0xffffffffu);
    EXPECT_TRUE(failure(zip64).contains(u"ZIP64")) << failure(zip64).toStdString();
}

TEST_F(Zip, DamagedDataFails)
{
    const QByteArray good = zipArchive(entries);
    // A byte of the stored entry: only its CRC-32 shows it.
    QByteArray stored = good;
    stored[good.indexOf("application/x-test")] = 'A';
    EXPECT_TRUE(failure(stored, QStringLiteral("mimetype")).contains(u"CRC-32"));

    // The deflated entry's stream replaced by bytes that are no deflate stream.
    QByteArray garbage = zipArchive({{"ppt/slides/slide1.xml", text, true}});
    const qsizetype data = 30 + qsizetype(strlen("ppt/slides/slide1.xml"));
    for (qsizetype i = data; i < data + 16; ++i)
        garbage[i] = char(0xff);
    EXPECT_FALSE(failure(garbage).isEmpty());

    // Every single byte changed in turn: either it still reads or it fails, never worse.
    const QByteArray small = zipArchive({{"a", "aaaaaaaaaaaaaaaaaaaa", true}, {"b", "bbb", false}});
    for (qsizetype i = 0; i < small.size(); ++i) {
        QByteArray changed = small;
        changed[i] = char(changed[i] ^ 0x5a);
        try {
            ZipArchive zip(file(changed));
            for (const QString& name : zip.names())
                zip.read(name);
        } catch (const Failure&) {
        }
    }
}

}  // namespace
