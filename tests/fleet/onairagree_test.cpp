// What is on air as three readers of the one on-air model tell it, from the real program under a
// virtual X server running a plan of a clip, a block and a web page: the fleet's retained status
// (its "on_air" and the strip), velumo.state and the service manager's status line agree at
// each line of the plan.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/notifysocket.h"
#include "fakes/virtualscreen.h"
#include "fleet/fleetrig.h"
#include "onair/onairstate.h"
#include "players/testmedia.h"

namespace velumo::fleettest {
namespace {

// One reader's account: whether the strip runs, the content letters with their files' names,
// and the plan line's code (where the reader names it).
struct Account {
    bool strip = false;
    QString players;
    QString planCode;

    bool operator==(const Account&) const = default;
    std::string text() const
    {
        return QStringLiteral("strip %1, players [%2], plan %3")
            .arg(strip ? "on" : "off", players, planCode)
            .toStdString();
    }
};

QString fileName(const QString& fileOrAddress)
{
    return QFileInfo(fileOrAddress).fileName();
}

Account fromFleet(const QJsonObject& status)
{
    Account account;
    account.strip = status.value(u"ticker").toObject().value(u"running").toBool();
    const QJsonObject onAir = status.value(u"on_air").toObject();
    for (const QJsonValue& value : onAir.value(u"players").toArray()) {
        const QJsonObject player = value.toObject();
        account.players +=
            player.value(u"letter").toString() + u' ' +
            fileName(player.value(player.contains(u"address") ? u"address" : u"file").toString()) +
            u';';
    }
    account.planCode = onAir.value(u"plan_line").toString().section(u'|', 1, 1);
    return account;
}

// velumo.state names no plan line: its plan code is taken as the expected one.
Account fromState(const QByteArray& bytes, const QString& planCode)
{
    Account account;
    const std::optional<OnAirState> state = OnAirState::fromJson(bytes);
    if (!state)
        return account;
    account.strip = state->tickerRunning;
    for (const PlayerRequest& request : state->players)
        account.players += QString(request.letter) + u' ' + fileName(request.target) + u';';
    account.planCode = planCode;
    return account;
}

// "STATUS=Строка: идёт; ЦУП: s1 с 12:00:07; веб page.html"
Account fromServiceLine(const QString& message)
{
    static const QList<std::pair<QString, QChar>> kNames{{QStringLiteral("клип "), u'k'},
                                                         {QStringLiteral("веб "), u'w'}};
    Account account;
    for (const QString& part : message.mid(7).split(QStringLiteral("; "))) {
        if (part == QStringLiteral("Строка: идёт"))
            account.strip = true;
        else if (part.startsWith(QStringLiteral("ЦУП: ")))
            account.planCode = part.mid(5).section(u' ', 0, 0);
        for (const auto& [name, letter] : kNames)
            if (part.startsWith(name))
                account.players += QString(letter) + u' ' + part.mid(name.size()) + u';';
    }
    return account;
}

QString stamp(const QDateTime& at)
{
    return at.toString(u"dd.MM.yy hh:mm:ss");
}

TEST(OnAirAgrees, TheFleetStatusVelumoStateAndTheServiceLineTellTheSame)
{
    test::VirtualScreen screen;
    QString why;
    ASSERT_TRUE(screen.start(131, 150, &why)) << why.toStdString();
    ASSERT_TRUE(test::TestMedia::haveFfmpeg()) << "ffmpeg is not installed";
    Broker broker({"st1"});
    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    QTemporaryDir dir;
    const QString folder = dir.path();
    writeFleetIni(folder, broker, {});
    const QString clip = folder + "/clip.mp4";
    ASSERT_TRUE(test::TestMedia::make(clip, {"testsrc=s=SIZE", "r=25"}, 20));
    const QString page = folder + "/page.html";
    test::writeAll(page, "<html><body style='background:#204080'><h1>Velumo</h1></body></html>");
    const QString block = folder + "/news.str";
    test::writeAll(block, test::cp1251(QStringLiteral("^7\r\n~0\r\n0Эфир\r\n")));

    // Three lines, each alone on air for five seconds; a line an hour later keeps the dispatcher
    // on after them.
    QDateTime first = QDateTime::currentDateTime().addSecs(10);
    first = first.addMSecs(-first.time().msec());
    auto line = [&](int from, const char* code) {
        return QStringLiteral("%1|%2|00|%3")
            .arg(stamp(first.addSecs(from)), QLatin1String(code), stamp(first.addSecs(from + 5)));
    };
    writeTextLines(folder + "/plan.pln",
                   {line(0, "k1"), line(6, "s1"), line(12, "w1"), line(3600, "x1")});
    Settings settings;
    settings.setChecked(key::SCCheckBox6, true);
    settings.setChecked(key::SCCheckbox19, true);
    settings.setText(key::SCEditn10, folder + "/plan.pln");
    settings.setText(key::SCEdit49, clip);
    settings.setText(key::SCEdit59, block);
    settings.setText(key::SCEdit1w1, page);
    test::writeAll(folder + "/velumo.cfg", configfile::save(settings));

    test::NotifySocket notify(dir.filePath("notify"));
    ASSERT_TRUE(notify.bound());
    QProcessEnvironment env = screen.environment();
    env.insert("NOTIFY_SOCKET", dir.filePath("notify"));
    Subscriber watch(broker, {"velumo/st1/status"});
    ASSERT_TRUE(watch.waitConnected());
    test::Program program(folder);
    program.start({}, env);
    ASSERT_TRUE(program.waitReady());

    const struct {
        const char* code;
        Account expected;
    } lines[] = {
        {"k1", {false, "k clip.mp4;", "k1"}},
        {"s1", {true, "", "s1"}},
        {"w1", {false, "w page.html;", "w1"}},
    };
    for (const auto& l : lines) {
        SCOPED_TRACE(l.code);
        Account fleet, state, service;
        const bool agreed = test::waitFor(
            [&] {
                notify.read(50);
                QString status;
                for (const test::NotifySocket::Message& m : notify.messages)
                    if (m.text.startsWith("STATUS="))
                        status = m.text;
                fleet = fromFleet(json(watch.last("velumo/st1/status")));
                state = fromState(test::readAll(folder + "/velumo.state"), l.expected.planCode);
                service = fromServiceLine(status);
                return fleet == l.expected && state == l.expected && service == l.expected;
            },
            15000, 20);
        EXPECT_TRUE(agreed) << "fleet: " << fleet.text() << "\nvelumo.state: " << state.text()
                            << "\nservice: " << service.text() << "\n"
                            << test::readAll(folder + "/velumo.log").toStdString();
        if (!agreed)
            break;
    }
    EXPECT_TRUE(program.close());
}

}  // namespace
}  // namespace velumo::fleettest
