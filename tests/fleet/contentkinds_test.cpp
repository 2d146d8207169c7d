// The table of content kinds as its readers take it: every row reaches the plan check, the
// window placement, the slot table and the fleet status; and content the operator shows with a
// player's own buttons is on air, for the fleet and the service's line, until it leaves.
#include <gtest/gtest.h>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>

#include "base/eventlog.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/plancheck.h"
#include "dispatcher/slottable.h"
#include "fakes/faketimers.h"
#include "fakes/recordingplayers.h"
#include "fakes/recordingsurfaces.h"
#include "fleet/fleetlink.h"
#include "onair/onairmodel.h"
#include "onair/onairsummary.h"
#include "players/contentkind.h"
#include "players/playerplacement.h"
#include "players/web/flashplayer.h"
#include "players/web/webplayer.h"

using namespace velumo;
using namespace velumo::test;

namespace {

using V = PlanCheck::Verdict;

PlanCheck::Verdict verdictOf(QChar letter, const Settings& settings,
                             const PlanCheck::Environment& environment)
{
    const QString line =
        QStringLiteral("13.10.10 12:01:00|%1|00|13.10.10 12:02:00").arg(letter + QString(u'1'));
    const QDateTime now(QDate(2010, 10, 13), QTime(12, 0));
    return PlanCheck::check({line}, now, &settings, environment).value(0).verdict;
}

// The fleet's on_air players by their letter.
QMap<QString, QJsonObject> fleetPlayers(const OnAirNow& now)
{
    QMap<QString, QJsonObject> out;
    for (const QJsonValue& value : fleet::FleetLink::onAirOf(now).value("players").toArray())
        out.insert(value["letter"].toString(), value.toObject());
    return out;
}

}  // namespace

TEST(ContentKinds, EveryRowReachesThePlanCheckThePlacementTheSlotTableAndTheFleetStatus)
{
    Settings settings;
    PlanCheck::Environment lacking;
    lacking.libreOffice = lacking.ruffle = lacking.captureDevice = false;
    OnAirNow now;
    int number = 10;
    for (const ContentKind& kind : ContentKind::all()) {
        const QChar letter = kind.qLetter();
        SCOPED_TRACE(QString(letter).toStdString());
        const bool hasSlots = kind.slotColumn != ContentKind::SlotColumn::None;
        EXPECT_EQ(SlotTable::column(letter), kind.slotColumn);
        EXPECT_EQ(SlotTable::field(letter, 1) != nullptr, hasSlots);

        // An empty slot is refused where the kind has slots; then what it needs is asked.
        EXPECT_EQ(verdictOf(letter, settings, {}), hasSlots ? V::EmptySlot : V::WillRun);
        if (hasSlots)
            settings.setText(SlotTable::field(letter, 1), QStringLiteral("named"));
        const V needed = kind.needs == ContentKind::Needs::Nothing         ? V::WillRun
                         : kind.needs == ContentKind::Needs::CaptureDevice ? V::NoDevice
                                                                           : V::MissingProgram;
        EXPECT_EQ(verdictOf(letter, settings, lacking), needed);
        if (hasSlots)  // kinds share columns
            settings.setText(SlotTable::field(letter, 1), QString());

        QRect expected;
        if (const ContentKind::Placement* place = kind.placement) {
            expected = QRect(number, number + 1, number + 2, number + 3);
            settings.setText(place->left, QString::number(expected.left()));
            settings.setText(place->top, QString::number(expected.top()));
            settings.setText(place->width, QString::number(expected.width()));
            settings.setText(place->height, QString::number(expected.height()));
            number += 10;
        }
        EXPECT_EQ(playerplacement::rect(settings, letter), expected);

        if (kind.hasPlayer) {
            OnAirNow::Player entry;
            entry.request.letter = letter;
            entry.request.slot = QStringLiteral("1");
            entry.request.target = QStringLiteral("content of ") + letter;
            now.players.append(entry);
        }
    }
    const QMap<QString, QJsonObject> fleet = fleetPlayers(now);
    EXPECT_EQ(fleet.size(), now.players.size());
    for (const OnAirNow::Player& entry : now.players) {
        const ContentKind& kind = ContentKind::of(entry.request.letter);
        const QJsonObject shown = fleet.value(QString(entry.request.letter));
        EXPECT_EQ(shown["kind"].toString(), kind.fleetKind());
        EXPECT_EQ(shown[kind.targetName()].toString(), entry.request.target);
    }
    // A letter of no kind is known to none of them.
    EXPECT_EQ(SlotTable::column(u'x'), ContentKind::SlotColumn::None);
    EXPECT_TRUE(playerplacement::rect(settings, u'x').isNull());
    EXPECT_EQ(verdictOf(u'x', settings, {}), V::UnknownLetter);
}

TEST(ContentKinds, WhatTheOperatorShowsByHandIsOnAirUntilItLeavesOrThePlanTakesOver)
{
    QTemporaryDir dir;
    Settings settings;
    EventLog log{dir.filePath(QStringLiteral("velumo.log"))};
    FakeTimerFactory timers;
    RecordingWebSurface webSurface;
    RecordingFlashSurface flashSurface;
    WebPlayer web{settings, log, timers.clock(), timers, webSurface, {3'000, 60'000}};
    FlashPlayer flash{settings, log, timers.clock(), flashSurface};
    QStringList calls;
    RecordingPlayer clip{u'k', calls}, external{u'b', calls}, slides{u'p', calls},
        capture{u't', calls};
    PlayerRegistry registry(log, {{u'k', &clip},
                                  {u'b', &external},
                                  {u'p', &slides},
                                  {u'f', &flash},
                                  {u'w', &web},
                                  {u't', &capture}});
    OnAirModel model(log);
    model.watch(registry, timers.clock());
    settings.setText(key::SCEdit44, QStringLiteral("320"));
    settings.setText(key::SCEdit46, QStringLiteral("200"));
    const QString movie = dir.filePath(QStringLiteral("m.swf"));
    QFile file(movie);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("FWS") == 3);
    file.close();

    // "web show" and "flash start": no entry of the plan, on air all the same.
    settings.setText(key::SCEdit36, QStringLiteral("http://127.0.0.1:9/page"));
    web.SCButton11Click();
    settings.setText(key::SCEdit99, movie);
    flash.SCButton88Click();
    EXPECT_TRUE(model.now().players.isEmpty());
    QMap<QString, QJsonObject> fleet = fleetPlayers(model.now());
    EXPECT_EQ(fleet.keys(), QStringList({"f", "w"}));
    EXPECT_EQ(fleet["w"]["address"].toString(), "http://127.0.0.1:9/page");
    EXPECT_EQ(fleet["f"]["file"].toString(), movie);
    EXPECT_TRUE(onAirSummary(model.now()).contains(QStringLiteral("веб http://127.0.0.1:9/page")));
    EXPECT_TRUE(onAirSummary(model.now()).contains(QStringLiteral("флэш m.swf")));

    // A start of the plan takes the page over; the movie's stop takes it off.
    PlayerRequest request;
    request.letter = u'w';
    request.slot = QStringLiteral("2");
    request.target = QStringLiteral("http://127.0.0.1:9/plan");
    request.rect = QRect(0, 0, 320, 200);
    registry.start(request);
    flash.SCButton83Click();
    ASSERT_EQ(model.now().onScreen().size(), 1);
    EXPECT_EQ(model.now().onScreen()[0].request.target, request.target);
    EXPECT_TRUE(model.now().byHand.isEmpty());
}

TEST(ContentKinds, OnlyTheContentOfAKindThatComesBackIsBroughtBackAfterItsFailure)
{
    QTemporaryDir dir;
    EventLog log{dir.filePath(QStringLiteral("velumo.log"))};
    QStringList calls;
    RecordingPlayer player{u'?', calls};
    PlayerRegistry registry(log, everyKind(player));
    for (const ContentKind& kind : ContentKind::all()) {
        if (!kind.hasPlayer)
            continue;
        SCOPED_TRACE(QString(kind.qLetter()).toStdString());
        registry.start({kind.qLetter(), QStringLiteral("1"), QStringLiteral("content"), QRect()});
        emit player.failed(QStringLiteral("gone"));
        ASSERT_TRUE(registry.failed(kind.qLetter()));
        emit player.recovered();
        EXPECT_EQ(registry.failed(kind.qLetter()), !kind.comesBack);
        registry.stop(kind.qLetter());
    }
}
