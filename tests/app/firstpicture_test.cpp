// The moment the as-run journal records as a content's first picture, against the screen: the
// program under a virtual X server runs a plan of a clip (the internal player), a clip in the
// external player, a local web page, a Flash movie and a slide show, each of its own colour, while
// a sampler reads the X screen as fast as it can. Each record's first picture must be within 100 ms
// of the moment the sampler first saw that colour on the screen.
#include <gtest/gtest.h>
#include <QDateTime>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fakes/virtualscreen.h"
#include "players/slideshowfiles.h"
#include "players/testmedia.h"
#include "players/webrig.h"

namespace velumo {
namespace {

constexpr qint64 kToleranceMs = 100;

QString stamp(const QDateTime& at)
{
    return at.toString(u"dd.MM.yy hh:mm:ss");
}

// What the sampler saw of one colour: the picture came after `before` and by `after`.
struct Sighting {
    qint64 before = -1;
    qint64 after = -1;
};

class FirstPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString why;
        ASSERT_TRUE(screen.start(131, 160, &why, {"-br"})) << why.toStdString();
        ASSERT_TRUE(test::TestMedia::haveFfmpeg()) << "ffmpeg is not installed";
        ASSERT_FALSE(QStandardPaths::findExecutable("mpv").isEmpty()) << "mpv is not installed";
        ASSERT_FALSE(QStandardPaths::findExecutable("soffice").isEmpty())
            << "LibreOffice (soffice) is not installed";
        env = screen.environment();
    }
    void TearDown() override
    {
        program.stop();
        if (sampler.state() != QProcess::NotRunning) {
            sampler.kill();
            sampler.waitForFinished(3000);
        }
        screen.stop();
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    QList<QJsonObject> contents() const
    {
        QList<QJsonObject> records;
        const QDir folder(path("asrun"));
        for (const QString& name : folder.entryList({"*.jsonl"}, QDir::Files, QDir::Name))
            for (const QByteArray& line : test::readAll(folder.filePath(name)).split('\n')) {
                const QJsonObject record = QJsonDocument::fromJson(line).object();
                if (record.value("type").toString() == "content")
                    records.append(record);
            }
        return records;
    }

    // "seen NAME BEFORE AFTER" lines of the sampler.
    QHash<QString, Sighting> sightings(const QString& output) const
    {
        QHash<QString, Sighting> seen;
        for (const QString& line : output.split(u'\n')) {
            const QStringList words = line.split(u' ');
            if (words.size() == 4 && words[0] == "seen")
                seen.insert(words[1], {words[2].toLongLong(), words[3].toLongLong()});
        }
        return seen;
    }

    test::VirtualScreen screen;
    QProcessEnvironment env;
    QProcess sampler;
    QTemporaryDir dir;
    test::Program program{dir.path()};
};

TEST_F(FirstPicture, EachContentsRecordedFirstPictureIsWithin100msOfTheScreen)
{
    // A colour for each kind, none of them the strip's or the clock's.
    const QList<std::pair<QString, QString>> colours{
        {"k", "ff00ff"}, {"b", "00ffff"}, {"w", "ff8000"}, {"f", "8040ff"}, {"p", "80ff00"}};
    ASSERT_TRUE(test::TestMedia::make(path("k.mp4"), {"color=c=0xff00ff", "s=SIZE", "r=25"}, 8));
    ASSERT_TRUE(test::TestMedia::make(path("b.mp4"), {"color=c=0x00ffff", "s=SIZE", "r=25"}, 8));
    test::writeAll(path("w.html"),
                   "<html><body style='margin:0;background:#ff8000'></body></html>");
    test::writeAll(path("f.swf"), test::flashMovie(640, 360, QColor(0x80, 0x40, 0xff)));
    test::writeAll(path("p.fodp"), test::flatPresentation({{"#80ff00", nullptr}}));

    Settings settings;
    const QRect area(320, 120, 640, 360);
    settings.setSpin(key::SpinEdit19, area.left());
    settings.setSpin(key::SpinEdit21, area.top());
    settings.setSpin(key::SpinEdit20, area.width());
    settings.setSpin(key::SpinEdit22, area.height());
    settings.setSpin(key::SpinEdit26, area.left());
    settings.setSpin(key::SpinEdit28, area.top());
    settings.setSpin(key::SpinEdit27, area.width());
    settings.setSpin(key::SpinEdit29, area.height());
    settings.setSpin(key::SpinEdit45, area.left());
    settings.setSpin(key::SpinEdit47, area.top());
    settings.setSpin(key::SpinEdit46, area.width());
    settings.setSpin(key::SpinEdit48, area.height());
    settings.setText(key::SCEdit39, QString::number(area.left()));
    settings.setText(key::SCEdit38, QString::number(area.top()));
    settings.setText(key::SCEdit44, QString::number(area.width()));
    settings.setText(key::SCEdit46, QString::number(area.height()));
    // The external player draws with X11 itself, silent, at the same rectangle.
    settings.setText(key::SCEdit9, QStringLiteral("mpv --vo=x11 --ao=null --no-border "
                                                  "--geometry=%1x%2+%3+%4")
                                       .arg(area.width())
                                       .arg(area.height())
                                       .arg(area.left())
                                       .arg(area.top()));
    settings.setText(key::SCEdit49, path("k.mp4"));    // k1
    settings.setText(key::SCEdit50, path("b.mp4"));    // b2
    settings.setText(key::SCEdit51, path("p.fodp"));   // p3
    settings.setText(key::SCEdit52, path("f.swf"));    // f4
    settings.setText(key::SCEdit1w1, path("w.html"));  // w1
    settings.setText(key::SCEditn10, path("plan.pln"));
    settings.setChecked(key::SCCheckbox19, true);
    test::writeAll(path("velumo.cfg"), configfile::save(settings));

    program.start({}, env);
    ASSERT_TRUE(program.waitReady());

    QStringList wanted;
    for (const auto& [kind, colour] : colours)
        wanted << kind + u'=' + colour;
    sampler.setProcessEnvironment(env);
    sampler.start(qEnvironmentVariable("VELUMO_BUILD_DIR") + "/tests/app/screen_sampler",
                  QStringList{"120"} + wanted);
    ASSERT_TRUE(sampler.waitForStarted(5000));
    ASSERT_TRUE(test::waitFor([&] { return sampler.canReadLine() || !sampler.isOpen(); }, 20000));

    QDateTime first = QDateTime::currentDateTime().addSecs(4);
    first = first.addMSecs(-first.time().msec());
    auto line = [&](int from, int to, const char* code) {
        return QStringLiteral("%1|%2|00|%3")
            .arg(stamp(first.addSecs(from)), QLatin1String(code), stamp(first.addSecs(to)));
    };
    // The Flash movie long enough for the web engine and Ruffle to start on a loaded machine, the
    // slide show last: LibreOffice converts it while the others play.
    writeTextLines(path("plan.pln"), {line(0, 5, "k1"), line(7, 12, "b2"), line(14, 19, "w1"),
                                      line(21, 36, "f4"), line(38, 60, "p3")});
    ASSERT_EQ(program.send("dispatcher start").code, 0);
    ASSERT_TRUE(test::waitFor(
        [&] {
            return test::logEvents(path("velumo.log"), "player").filter("stopped p 3").size() +
                       test::logEvents(path("velumo.log"), "player").filter("failed p 3").size() >
                   0;
        },
        90000, 50))
        << test::logEvents(path("velumo.log"), "player").join(u'\n').toStdString();
    ASSERT_TRUE(program.close());
    sampler.waitForFinished(5000);
    const QString output = QString::fromUtf8(sampler.readAll());
    const QHash<QString, Sighting> seen = sightings(output);
    std::printf("sampler:\n%s", qPrintable(output));

    QHash<QString, QJsonObject> byKind;
    for (const QJsonObject& record : contents())
        byKind.insert(record.value("kind").toString(), record);
    for (const auto& [kind, colour] : colours) {
        SCOPED_TRACE(kind.toStdString());
        ASSERT_TRUE(byKind.contains(kind)) << "no record of " << kind.toStdString();
        const QJsonObject record = byKind.value(kind);
        ASSERT_NE(record.value("end").toString(), "failed")
            << record.value("reason").toString().toStdString();
        const QDateTime recorded =
            QDateTime::fromString(record.value("first_picture").toString(), Qt::ISODateWithMs);
        ASSERT_TRUE(recorded.isValid())
            << "no first picture recorded:\n"
            << test::logEvents(path("velumo.log"), "player").join(u'\n').toStdString();
        ASSERT_TRUE(seen.contains(kind)) << "the sampler never saw " << colour.toStdString();
        const Sighting sight = seen.value(kind);
        const qint64 at = recorded.toMSecsSinceEpoch();
        std::printf(
            "%s: recorded %lld ms after the last read without it, %lld ms before the "
            "first read with it ended (reads %lld ms apart)\n",
            qPrintable(kind), at - sight.before, sight.after - at, sight.after - sight.before);
        EXPECT_GE(at, sight.before - kToleranceMs) << "recorded before the screen showed it";
        EXPECT_LE(at, sight.after + kToleranceMs) << "recorded after the screen showed it";
    }
}

}  // namespace
}  // namespace velumo
