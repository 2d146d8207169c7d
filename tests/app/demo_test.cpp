// The demo folder as tools/run-demo.sh prepares it: settings, a plan of today and the pictures.
#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/programrun.h"

namespace velumo {
namespace {

QString sourceDemo()
{
    return qEnvironmentVariable("VELUMO_SOURCE_DIR") + QLatin1String("/demo");
}

int runDemoConfig(const QStringList& arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("VELUMO_BUILD_DIR") + QLatin1String("/velumo_demo_config"),
                  arguments);
    if (!process.waitForFinished(15000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

void copyFolder(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    for (const QFileInfo& entry :
         QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + u'/' + entry.fileName();
        if (entry.isDir())
            copyFolder(entry.filePath(), target);
        else
            ASSERT_TRUE(QFile::copy(entry.filePath(), target)) << target.toStdString();
    }
}

TEST(DemoFolder, ThePlanOfTodaySwitchesBetweenTheTwoBlocksAndTheDispatcherStartsOnIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QLatin1String("/demo");
    copyFolder(sourceDemo(), folder);
    ASSERT_EQ(runDemoConfig({folder, "1280", "720"}), 0);
    const QDateTime before = QDateTime::currentDateTime();
    ASSERT_EQ(runDemoConfig({"--plan", folder}), 0);

    // One line a minute from the next whole minute on, s1 and s2 in turn, each stopping a
    // second before the next one starts.
    const QStringList plan = readTextLines(folder + QLatin1String("/demo.pln"));
    ASSERT_GE(plan.size(), 60);
    const QString format = QStringLiteral("dd.MM.yy hh:mm:ss");
    const QDateTime first = QDateTime::fromString(plan[0].left(17), format).addYears(100);
    EXPECT_GT(first, before);
    EXPECT_LE(first, before.addSecs(81));
    EXPECT_EQ(first.time().second(), 0);
    for (qsizetype i = 0; i < plan.size(); ++i) {
        const QString& line = plan[i];
        const QDateTime start = QDateTime::fromString(line.left(17), format).addYears(100);
        const QDateTime stop = QDateTime::fromString(line.mid(24, 17), format).addYears(100);
        EXPECT_EQ(start, first.addSecs(60 * i)) << line.toStdString();
        EXPECT_EQ(stop, start.addSecs(59)) << line.toStdString();
        EXPECT_EQ(line.mid(17, 7), i % 2 == 0 ? "|s1|00|" : "|s2|00|") << line.toStdString();
    }

    // The program's own plan check accepts every line with the demo's settings.
    QString report;
    EXPECT_EQ(test::runToEnd({"--dir", folder, "--check-plan", folder + "/demo.pln"}, &report), 0)
        << report.toStdString();

    // The settings name the plan and the two blocks, not captions.
    Settings settings;
    configfile::load(readFileBytes(folder + "/velumo.cfg"), settings);
    EXPECT_EQ(settings.text(key::SCEditn10), folder + "/demo.pln");
    EXPECT_TRUE(QFileInfo::exists(settings.text(key::SCEdit59)));
    EXPECT_TRUE(QFileInfo::exists(settings.text(key::SCEdit60)));
    EXPECT_NE(settings.text(key::SCEdit59), settings.text(key::SCEdit60));

    test::Program program(folder);
    program.start();
    ASSERT_TRUE(program.waitReady());
    EXPECT_EQ(program.send("dispatcher start").code, 0);
    const QJsonObject dispatcher = program.status().value("dispatcher").toObject();
    EXPECT_TRUE(dispatcher.value("armed").toBool());
    EXPECT_EQ(dispatcher.value("next_code").toString(), "s1");
    EXPECT_EQ(dispatcher.value("current").toString(), plan[0]);
    EXPECT_TRUE(program.close());
}

TEST(DemoFolder, TheTenIconsAreDistinctPictures)
{
    QList<QImage> icons;
    for (int slot = 0; slot < 10; ++slot) {
        QImage icon(sourceDemo() + QStringLiteral("/icons/%1.png").arg(slot));
        ASSERT_FALSE(icon.isNull()) << slot;
        icon = icon.convertToFormat(QImage::Format_ARGB32);
        // A sign on its tile: the middle holds pixels of clearly different colours.
        int low[3] = {255, 255, 255};
        int high[3] = {0, 0, 0};
        for (int y = icon.height() / 4; y < icon.height() * 3 / 4; ++y)
            for (int x = icon.width() / 4; x < icon.width() * 3 / 4; ++x) {
                const QRgb pixel = icon.pixel(x, y);
                const int channels[3] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
                for (int c = 0; c < 3; ++c) {
                    low[c] = qMin(low[c], channels[c]);
                    high[c] = qMax(high[c], channels[c]);
                }
            }
        EXPECT_GT(high[0] - low[0] + high[1] - low[1] + high[2] - low[2], 150)
            << "icon " << slot << " has no sign on its tile";
        for (int other = 0; other < icons.size(); ++other)
            EXPECT_NE(icon, icons[other]) << "icons " << other << " and " << slot;
        icons.append(icon);
    }
}

}  // namespace
}  // namespace velumo
