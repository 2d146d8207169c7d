// The as-run journal of a real run under a virtual X server: the strip's announcements, a clip
// line and a web page line of the plan, the dispatcher's start and stop, the program's start and
// exit, each recorded in its order with the hash of the clip as it was played.
#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fakes/virtualscreen.h"
#include "players/testmedia.h"

namespace velumo {
namespace {

QString stamp(const QDateTime& at)
{
    return at.toString(u"dd.MM.yy hh:mm:ss");
}

QDateTime momentOf(const QJsonObject& record, const char16_t* name)
{
    return QDateTime::fromString(record.value(name).toString(), Qt::ISODateWithMs);
}

class AsrunDay : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        ASSERT_TRUE(screen.start(71, 98, &why)) << why.toStdString();
        ASSERT_TRUE(test::TestMedia::haveFfmpeg()) << "ffmpeg is not installed";
        env = screen.environment();
    }
    void TearDown() override
    {
        program.stop();
        screen.stop();
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Every record of the journal's files, in their order.
    QList<QJsonObject> journal() const
    {
        QList<QJsonObject> records;
        const QDir folder(path("asrun"));
        for (const QString& name : folder.entryList({"*.jsonl"}, QDir::Files, QDir::Name))
            for (const QByteArray& line : test::readAll(folder.filePath(name)).split('\n'))
                if (!line.trimmed().isEmpty())
                    records.append(QJsonDocument::fromJson(line).object());
        return records;
    }

    test::VirtualScreen screen;
    QProcessEnvironment env;
    QTemporaryDir dir;
    test::Program program{dir.path()};
};

TEST_F(AsrunDay, WhatReachedTheScreenIsRecordedInItsOrderWithTheClipsHash)
{
    const QString clip = path("clip.mp4");
    ASSERT_TRUE(test::TestMedia::make(clip, {"testsrc=s=SIZE", "r=25"}, 10));
    const QString page = path("page.html");
    test::writeAll(page, "<html><body style='background:#204080'><h1>Velumo</h1></body></html>");
    const QString block = path("news.str");
    test::writeAll(block, test::cp1251(QStringLiteral("^7\r\n~0\r\n0Эфир\r\n")));

    QDateTime first = QDateTime::currentDateTime().addSecs(8);
    first = first.addMSecs(-first.time().msec());
    auto line = [&](int from, int to, const char* code) {
        return QStringLiteral("%1|%2|00|%3")
            .arg(stamp(first.addSecs(from)), QLatin1String(code), stamp(first.addSecs(to)));
    };
    const QString clipLine = line(0, 4, "k1");
    const QString pageLine = line(5, 9, "w1");
    writeTextLines(path("plan.pln"), {clipLine, pageLine});
    Settings settings;
    settings.setText(key::SCEditn10, path("plan.pln"));
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEdit49, clip);
    settings.setText(key::SCEdit1w1, page);
    // A short announcement on a fast strip: several of them in the run. At 1 px a millisecond
    // it is on the strip for about a second, so that a stall of a loaded machine does not carry
    // it across in one frame (entered and left at one moment).
    settings.setText(key::SCEdit5, block);
    settings.setSpin(key::SpinEdit1, 1);
    settings.setSpin(key::SpinEdit2, 1);
    test::writeAll(path("velumo.cfg"), configfile::save(settings));

    program.start({}, env);
    ASSERT_TRUE(program.waitReady());
    ASSERT_EQ(program.send("block load " + block).code, 0);
    ASSERT_EQ(program.send("ticker start").code, 0);
    ASSERT_EQ(program.send("dispatcher start").code, 0);
    ASSERT_TRUE(test::waitFor(
        [&] {
            return test::logEvents(path("velumo.log"), "player").filter("stopped w 1").size() +
                       test::logEvents(path("velumo.log"), "player").filter("failed w 1").size() >
                   0;
        },
        40000, 50))
        << test::logEvents(path("velumo.log"), "player").join(u'\n').toStdString();

    const ControlReply sealed = program.send("asrun seal");
    EXPECT_EQ(sealed.code, 0) << sealed.text.toStdString();
    const QJsonObject status = program.status().value("asrun").toObject();
    EXPECT_GT(status.value("records").toInt(), 0) << QJsonDocument(status).toJson().toStdString();
    ASSERT_TRUE(program.close());

    const QList<QJsonObject> records = journal();
    ASSERT_FALSE(records.isEmpty());
    QStringList order;  // the records of each type in order, announcements once
    QList<QJsonObject> contents;
    int announcements = 0;
    for (const QJsonObject& record : records) {
        const QString type = record.value("type").toString();
        if (type == "announcement") {
            ++announcements;
            EXPECT_EQ(record.value("index").toString(), "7");
            EXPECT_EQ(record.value("text").toString(), "Эфир ");
            EXPECT_LT(momentOf(record, u"entered"), momentOf(record, u"left"))
                << QJsonDocument(record).toJson(QJsonDocument::Compact).toStdString();
            if (order.value(order.size() - 1) == "announcement")
                continue;
        }
        if (type == "content")
            contents.append(record);
        if (type == "program" || type == "dispatcher")
            order.append(type + u' ' + record.value("event").toString());
        else
            order.append(type);
    }
    std::printf("%d records, %d announcements: %s\n", int(records.size()), announcements,
                qPrintable(order.join(u',')));
    EXPECT_GE(announcements, 3);
    EXPECT_EQ(order.first(), "program start");
    EXPECT_EQ(order.filter("program").last(), "program exit");
    EXPECT_EQ(records.last().value("type").toString(), "seal");
    const qsizetype dispatcherStart = order.indexOf("dispatcher start");
    const qsizetype firstContent = order.indexOf("content");
    ASSERT_GE(dispatcherStart, 0);
    EXPECT_LT(dispatcherStart, firstContent);
    EXPECT_LT(order.lastIndexOf("content"), order.indexOf("program exit"));

    ASSERT_EQ(contents.size(), 2) << qPrintable(order.join(u','));
    const QJsonObject& k = contents[0];
    EXPECT_EQ(k.value("kind").toString(), "k");
    EXPECT_EQ(k.value("slot").toString(), "1");
    EXPECT_EQ(k.value("source").toString(), clip);
    EXPECT_EQ(k.value("plan_line").toString(), clipLine);
    QFile clipFile(clip);
    ASSERT_TRUE(clipFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        k.value("sha256").toString(),
        QString::fromLatin1(
            QCryptographicHash::hash(clipFile.readAll(), QCryptographicHash::Sha256).toHex()));
    EXPECT_EQ(k.value("end").toString(), "stopped");
    const QDateTime shown = momentOf(k, u"first_picture");
    ASSERT_TRUE(shown.isValid()) << "the clip's first frame was confirmed";
    EXPECT_GE(first.msecsTo(shown), 0);
    EXPECT_LT(first.msecsTo(shown), 3000);
    EXPECT_NEAR(k.value("seconds").toDouble(), shown.msecsTo(momentOf(k, u"left")) / 1000.0, 0.2);
    std::printf("clip: first picture %lld ms after its line's second, %.3f s on screen\n",
                qint64(first.msecsTo(shown)), k.value("seconds").toDouble());

    const QJsonObject& w = contents[1];
    EXPECT_EQ(w.value("kind").toString(), "w");
    EXPECT_EQ(w.value("plan_line").toString(), pageLine);
    EXPECT_EQ(w.value("source").toString(), page);
    EXPECT_EQ(w.value("sha256").toString().size(), 64) << "a page from a local file is hashed";
    if (w.value("end").toString() == "failed")
        std::printf("the page failed here: %s\n", qPrintable(w.value("reason").toString()));
    else
        EXPECT_EQ(w.value("end").toString(), "stopped");
}

}  // namespace
}  // namespace velumo
