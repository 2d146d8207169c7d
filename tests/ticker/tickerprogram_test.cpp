// The real program driven through its control channel: a block is loaded, the ticker started,
// a phrase inserted, the log written, the ticker stopped and the program closed.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QThread>

#include "base/controlchannel.h"
#include "base/textfile.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"

namespace velumo::test {
namespace {

QJsonObject tickerStatus(const QString& folder)
{
    const ControlReply reply = sendControlCommand(folder, QStringLiteral("status"));
    return QJsonDocument::fromJson(reply.text.toUtf8()).object().value("ticker").toObject();
}

TEST(TickerProgram, StartPhraseLogStopAndClose)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    QDir(folder).mkdir(QStringLiteral("logs"));
    writeAll(folder + "/block.str",
             cp1251(QStringLiteral(
                 "^1\r\n~0\r\n3Первое объявление\r\n^2\r\n~5\r\n1Второе ] объявление\r\n")));
    // Writing the log on, into the logs folder: SCCheckbox22 and SCEdit103 in velumo.cfg.
    QByteArray config;
    for (const QString& line :
         {QStringLiteral("SCCheckbox22 True"), QStringLiteral("SCEdit103 ") + folder + "/logs",
          QStringLiteral("SpinEdit1 1"), QStringLiteral("SpinEdit2 20")}) {
        QByteArray bytes = cp1251(line);
        for (char& c : bytes)
            c = char(quint8(c) + 1);
        config += bytes + "\r\n";
    }
    writeAll(folder + "/velumo.cfg", config);

    Program program(folder);
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_TRUE(program.waitReady());
    ASSERT_TRUE(isRunning(folder));

    EXPECT_EQ(sendControlCommand(folder, "block load " + folder + "/block.str").text, "2");
    EXPECT_EQ(sendControlCommand(folder, "ticker start").code, 0);
    QJsonObject status = tickerStatus(folder);
    EXPECT_TRUE(status.value("running").toBool());
    // The strip runs so fast that the second line may already be on when status answers;
    // that the run began at the first line is read from the log below.
    EXPECT_GE(status.value("current_line").toInt(), 1);
    EXPECT_LE(status.value("current_line").toInt(), 2);
    EXPECT_EQ(sendControlCommand(folder, "phrase Срочно").code, 0);
    // 20 px a millisecond: the block runs through several times within a second, on a loaded
    // machine within a few.
    EXPECT_TRUE(
        waitFor([&] { return tickerStatus(folder).value("block_run_count").toInt() >= 1; }, 15000));
    const ControlReply written = sendControlCommand(folder, "log write");
    EXPECT_EQ(written.code, 0);
    EXPECT_TRUE(written.text.endsWith(".csv"));
    EXPECT_EQ(sendControlCommand(folder, "ticker stop").code, 0);
    EXPECT_FALSE(tickerStatus(folder).value("running").toBool());
    sendControlCommand(folder, "ticker continue");
    EXPECT_TRUE(tickerStatus(folder).value("running").toBool());
    QThread::msleep(300);
    ASSERT_TRUE(program.close(10000));

    // Every announcement shown went to the log files, the phrase among them.
    QString all;
    for (const QString& name : QDir(folder + "/logs").entryList({"*.csv"}, QDir::Files))
        all += decodeCp1251(readAll(folder + "/logs/" + name));
    EXPECT_TRUE(all.contains(";;Срочно") || all.contains(";0;Срочно"));
    EXPECT_TRUE(all.contains("0 повтор ;"));
    EXPECT_TRUE(all.contains(";2;5;Второе ] объявление \r\n"));
    EXPECT_LT(all.indexOf("Первое объявление"), all.indexOf("Второе ] объявление"));
    EXPECT_GE(all.indexOf("Первое объявление"), 0);
    const QString events = QString::fromUtf8(readAll(folder + "/velumo.log"));
    EXPECT_TRUE(events.contains("\tticker\tstarted"));
    EXPECT_TRUE(events.contains("\tticker\tstopped"));
}

}  // namespace
}  // namespace velumo::test
