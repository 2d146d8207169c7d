// The on-air model against the real registry's events, with a recording player for every kind:
// at every step it agrees with the registry on what is showing, and it tells each entry's life
// once, as the journal records it.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTemporaryDir>

#include "base/eventlog.h"
#include "fakes/recordingplayers.h"
#include "onair/onairmodel.h"

using namespace velumo;
using namespace velumo::test;

namespace {

QStringList described(const QList<PlayerRequest>& requests)
{
    QStringList out;
    for (const PlayerRequest& r : requests)
        out.append(QStringLiteral("%1 %2 %3 %4 %5 %6")
                       .arg(r.letter)
                       .arg(r.slot, r.target)
                       .arg(r.rect.width())
                       .arg(r.screen)
                       .arg(r.planLine));
    return out;
}

class Model : public ::testing::Test {
protected:
    Model()
    {
        QObject::connect(
            &model, &OnAirModel::entryOpened,  // plain: test
            [this](const OnAirNow::Player& e) { lives.append(u'+' + e.request.letter); });
        QObject::connect(  // plain: test
            &model, &OnAirModel::entryClosed,
            [this](const OnAirNow::Player& e, const OnAirEnd& end) {
                static const char* kHow[] = {"stopped", "ended", "failed", "parked"};
                lives.append(QStringLiteral("-%1 %2%3%4")
                                 .arg(e.request.letter)
                                 .arg(QLatin1String(kHow[int(end.how)]))
                                 .arg(end.reason.isEmpty() ? QString() : u' ' + end.reason)
                                 .arg(e.firstPicture.isValid() ? " shown" : ""));
            });
    }
    void start(QChar letter, const QString& target)
    {
        PlayerRequest request;
        request.letter = letter;
        request.slot = QStringLiteral("2");
        request.target = target;
        request.rect = QRect(10, 20, 320, 240);
        request.screen = letter == u'p' ? 1 : -1;
        request.planLine =
            QStringLiteral("13.10.10 12:00:00|%1 2|00|13.10.10 12:01:00").arg(letter);
        registry.start(request);
    }
    // What shows, as the registry and the model each say it.
    void agree(const char* step)
    {
        SCOPED_TRACE(step);
        EXPECT_EQ(described(model.now().showing()), described(registry.runningRequests()));
    }

    QTemporaryDir dir;
    EventLog log{dir.filePath("velumo.log")};
    OnAirModel model{log};
    RecordingPlayers players{log};
    PlayerRegistry& registry = players.registry;
    QStringList lives;
};

TEST_F(Model, FollowsEveryKindFromItsStartToItsEndAsTheRegistryDoes)
{
    struct Kind {
        RecordingPlayer& player;
        QChar letter;
        QString target;
    };
    const Kind kinds[] = {
        {players.clip, u'k', "/m/clip.mp4"},          {players.external, u'b', "/m/film.avi"},
        {players.slideShow, u'p', "/m/show.pptx"},    {players.flash, u'f', "/m/movie.swf"},
        {players.web, u'w', "http://127.0.0.1/page"}, {players.capture, u't', ""}};
    // Every kind started (in another order than the model lists them) and put on screen.
    for (int i : {4, 0, 5, 2, 1, 3}) {
        start(kinds[i].letter, kinds[i].target);
        agree("start");
        EXPECT_FALSE(model.player(kinds[i].letter)->firstPicture.isValid());
        emit kinds[i].player.onScreen();
        EXPECT_TRUE(model.player(kinds[i].letter)->firstPicture.isValid());
    }
    QString order;
    for (const OnAirNow::Player& e : model.now().players)
        order += e.request.letter;
    EXPECT_EQ(order, "kbpfwt");
    EXPECT_TRUE(model.now().onAir());

    // Each way an entry ends: its stop, its park, a failure (off the screen, on record until its
    // stop), a slide show that ended by itself, a start over a running entry, a start that fails,
    // a stop that fails.
    registry.stop(u'k');
    agree("stop");
    registry.park(u'b');
    agree("park");
    emit players.web.failed(QStringLiteral("host not found"));
    agree("failure");
    EXPECT_EQ(model.now().failedLetters(), "w");
    emit players.web.failed(QStringLiteral("again"));
    registry.stop(u'w');
    agree("stop after a failure");
    EXPECT_EQ(model.now().failedLetters(), "");
    emit players.slideShow.ended();
    EXPECT_TRUE(model.player(u'p')->ended);
    registry.stop(u'p');
    agree("stop after the end");
    start(u'f', "/m/second.swf");
    agree("start over a running entry");
    EXPECT_EQ(model.player(u'f')->request.target, "/m/second.swf");
    players.capture.failStop = true;
    EXPECT_ANY_THROW(registry.stop(u't'));
    agree("a stop that fails");
    EXPECT_EQ(model.player(u't'), nullptr);
    players.clip.failStart = true;
    EXPECT_ANY_THROW(start(u'k', "/m/clip.mp4"));
    agree("a start that fails");
    EXPECT_EQ(model.now().failedLetters(), "k");
    registry.stop(u'k');
    registry.stop(u'f');
    agree("all stopped");
    EXPECT_TRUE(model.now().players.isEmpty());
    EXPECT_FALSE(model.now().onAir());

    EXPECT_EQ(lives,
              (QStringList{"+w", "+k", "+t", "+p", "+b", "+f", "-k stopped shown",
                           "-b parked shown", "-w failed host not found shown", "-p ended shown",
                           "-f stopped shown", "+f", "-t failed the player did not stop shown",
                           "+k", "-k failed the player failed", "-f stopped"}));
}

// A page that failed and painted at a later try while its line runs is on air again, as a new
// entry with the line's request, until its stop.
TEST_F(Model, ContentThatCameBackIsOnAirAgainUntilItsStop)
{
    start(u'w', "http://127.0.0.1/page");
    emit players.web.onScreen();
    emit players.web.failed(QStringLiteral("HTTP 500"));
    QCoreApplication::processEvents();
    emit players.web.recovered();
    agree("back");
    EXPECT_EQ(model.now().failedLetters(), "");
    EXPECT_TRUE(model.now().onAir());
    registry.stop(u'w');
    agree("stopped");
    EXPECT_EQ(lives, (QStringList{"+w", "-w failed HTTP 500 shown", "+w", "-w stopped shown"}));
}

}  // namespace
