#include "clipplayer.h"

#include <QDir>
#include <QFileInfo>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "players/clip/clipengine.h"
#include "players/clip/dvdfolder.h"
#include "players/contentkind.h"
#include "players/playerplacement.h"

namespace velumo {

const QString ClipPlayer::kDvdNotSupported = QStringLiteral(
    "Режим gmDVD: меню DVD и переходы по файлам IFO не поддерживаются, файлы VOB и MPG "
    "воспроизводятся как обычные клипы");

ClipPlayer::ClipPlayer(ClipEngine& engine, Settings& settings, Notifier& notifier, EventLog& log,
                       TimerFactory& timers, QString folder, Limits limits, QObject* parent)
    : ContentPlayer(parent),
      m_engine(engine),
      m_settings(settings),
      m_notifier(notifier),
      m_log(log),
      m_folder(std::move(folder)),
      m_limits(limits),
      m_firstFrameWatch(timers.create(QStringLiteral("ClipFirstFrame"))),
      m_stallWatch(timers.create(QStringLiteral("ClipStall"))),
      m_handOver(timers.create(QStringLiteral("ClipHandOver")))
{
    m_firstFrameWatch->setInterval(m_limits.firstFrameMs);
    m_stallWatch->setInterval(m_limits.stallMs);
    m_handOver->setInterval(kHandOverMs);
    m_handOver->setHandler([this] {
        m_handOver->stop();
        stop();
    });
    m_firstFrameWatch->setHandler([this] {
        m_firstFrameWatch->stop();
        if (m_pending >= 0)
            fail(m_pending, QStringLiteral("no picture within %1 ms").arg(m_limits.firstFrameMs));
    });
    m_stallWatch->setHandler([this] {
        m_stallWatch->stop();
        if (m_current >= 0)
            fail(m_current, QStringLiteral("stalled: no progress for %1 ms").arg(m_limits.stallMs));
    });
    connectGuarded(&engine, &ClipEngine::firstFrame, this,
                   Origin::unattended(QStringLiteral("clipplayer")), &ClipPlayer::onFirstFrame);
    connectGuarded(&engine, &ClipEngine::progressed, this,
                   Origin::unattended(QStringLiteral("clipplayer")), &ClipPlayer::onProgressed);
    connectGuarded(&engine, &ClipEngine::ended, this,
                   Origin::unattended(QStringLiteral("clipplayer")), &ClipPlayer::onEnded);
    connectGuarded(&engine, &ClipEngine::failed, this,
                   Origin::unattended(QStringLiteral("clipplayer")), &ClipPlayer::onFailed);
}

ClipPlayer::~ClipPlayer() = default;

QString ClipPlayer::unplayableReason(const QString& file)
{
    if (file.isEmpty())
        return QStringLiteral("no clip file");
    const QFileInfo info(file);
    if (!info.exists())
        return QStringLiteral("the file does not exist");
    if (info.isDir())
        return QStringLiteral("a folder, not a clip");
    // A pipe or a device would wedge the media reader.
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    if (info.size() == 0)
        return QStringLiteral("the file is empty");
    if (!info.isReadable())
        return QStringLiteral("the file cannot be read");
    if (info.suffix().compare(u"ifo", Qt::CaseInsensitive) == 0)
        return QStringLiteral("DVD navigation files (.ifo) are not supported");
    return QString();
}

QString ClipPlayer::resolved(const QString& file) const
{
    if (file.isEmpty() || QDir::isAbsolutePath(file) || m_folder.isEmpty())
        return file;
    return m_folder + u'/' + file;
}

void ClipPlayer::applyMode()
{
    const QString text = m_settings.text(key::ComboBox5);
    Mode mode = m_mode;
    if (text == u"gmCapture")
        mode = Mode::Capture;
    else if (text == u"gmDVD")
        mode = Mode::Dvd;
    else if (text == u"gmNormal")
        mode = Mode::Normal;
    // Any other text keeps the mode.
    if (mode == Mode::Dvd && m_mode != Mode::Dvd)
        m_notifier.message(kDvdNotSupported);
    m_mode = mode;
}

void ClipPlayer::showPlaced(const QRect& rect)
{
    m_engine.showWindow();
    m_engine.place(rect);
}

void ClipPlayer::writeEvent(const QString& text)
{
    m_log.write(QStringLiteral("player"), text);
}

ClipPlayer::Deck* ClipPlayer::deckOf(int deck, quint64 ticket)
{
    if (deck < 0 || deck >= int(m_decks.size()) || m_decks[deck].ticket != ticket ||
        !m_decks[deck].loaded)
        return nullptr;
    return &m_decks[deck];
}

void ClipPlayer::start(const PlayerRequest& request)
{
    // The slot must be a number; the file itself came with the request.
    strToInt(request.slot);
    clearByHand();
    m_handOver->stop();
    applyMode();
    const QRect rect = request.rect;
    if (m_parked) {
        // The parked clip goes on where it was; the slot's file is not loaded.
        m_parked = false;
        if (m_current >= 0) {
            Deck& deck = m_decks[m_current];
            m_engine.play(m_current);
            deck.paused = false;
            m_onScreen.start();
            writeEvent(QStringLiteral("resumed k ") + deck.file);
            watchStall();
        }
        showPlaced(rect);
        return;
    }
    playFile(resolved(request.target), rect);
}

bool ClipPlayer::playFile(const QString& file, const QRect& rect, QString* refusal)
{
    m_handOver->stop();
    showPlaced(rect);
    m_sinceStart.start();
    // In DVD mode an .ifo file or a VIDEO_TS folder plays the disc's longest title from its
    // start, without the menus.
    QString source = file;
    QString reason;
    if (m_mode == Mode::Dvd && dvdfolder::isDvdName(file)) {
        const QString device = dvdfolder::deviceOf(file);
        const int title = dvdfolder::longestTitle(device);
        if (title > 0)
            source = dvdfolder::sourceOf(device, title);
        else
            reason = QStringLiteral("no title found on the DVD");
    } else {
        reason = unplayableReason(file);
    }
    if (!reason.isEmpty()) {
        // The window stays shown, placed and black.
        fail(-1, reason);
        if (refusal)
            *refusal = reason;
        return false;
    }
    int next = 0;
    if (m_pending >= 0)
        next = m_pending;
    else if (m_current >= 0)
        next = 1 - m_current;
    unloadDeck(next);
    Deck& deck = m_decks[next];
    deck = Deck{};
    deck.ticket = m_nextTicket++;
    deck.file = file;
    deck.loaded = true;
    m_pending = next;
    m_engine.load(next, deck.ticket, source);
    m_firstFrameWatch->start();
    return true;
}

void ClipPlayer::unloadDeck(int deck)
{
    if (deck < 0 || !m_decks[deck].loaded)
        return;
    m_engine.unload(deck);
    m_decks[deck] = Deck{};
    if (m_current == deck)
        m_current = -1;
    if (m_pending == deck)
        m_pending = -1;
}

void ClipPlayer::logOnScreen(const Deck& deck)
{
    if (deck.shown && m_onScreen.isValid())
        writeEvent(
            QStringLiteral("on screen %1 ms: k %2").arg(m_onScreen.elapsed()).arg(deck.file));
    m_onScreen.invalidate();
}

void ClipPlayer::fail(int deck, const QString& reason)
{
    const QString file = deck >= 0 ? m_decks[deck].file : QString();
    tearDown();
    clearByHand();
    emit failed(file.isEmpty() ? reason : reason + QStringLiteral(" (") + file + u')');
}

void ClipPlayer::onFirstFrame(int deck, quint64 ticket)
{
    Deck* next = deckOf(deck, ticket);
    if (!next || deck != m_pending)
        return;
    m_firstFrameWatch->stop();
    const int previous = m_current;
    m_current = deck;
    m_pending = -1;
    // The window changes over on the new picture; the previous deck goes after it.
    m_engine.showDeck(deck);
    if (!m_parked)
        m_engine.play(deck);
    else
        next->paused = true;
    next->shown = true;
    if (previous >= 0 && previous != deck) {
        logOnScreen(m_decks[previous]);
        unloadDeck(previous);
    }
    m_onScreen.start();
    writeEvent(QStringLiteral("first frame after %1 ms: k %2")
                   .arg(m_sinceStart.elapsed())
                   .arg(next->file));
    emit onScreen();
    watchStall();
}

void ClipPlayer::onProgressed(int deck, quint64 ticket, qint64 positionMs)
{
    Deck* d = deckOf(deck, ticket);
    if (!d)
        return;
    d->positionMs = positionMs;
    if (deck == m_current && m_stallWatch->isActive())
        m_stallWatch->start();
}

void ClipPlayer::onEnded(int deck, quint64 ticket)
{
    Deck* d = deckOf(deck, ticket);
    if (!d || deck != m_current || d->ended)
        return;
    // The last picture stays in the window until the stop.
    d->ended = true;
    m_stallWatch->stop();
    emit ended();
}

void ClipPlayer::onFailed(int deck, quint64 ticket, const QString& reason)
{
    if (!deckOf(deck, ticket) || (deck != m_current && deck != m_pending))
        return;
    fail(deck, reason);
}

void ClipPlayer::watchStall()
{
    const bool running = m_current >= 0 && m_decks[m_current].shown && !m_decks[m_current].paused &&
                         !m_decks[m_current].ended && !m_parked;
    if (running)
        m_stallWatch->start();
    else
        m_stallWatch->stop();
}

void ClipPlayer::tearDown()
{
    if (m_current >= 0)
        logOnScreen(m_decks[m_current]);
    m_firstFrameWatch->stop();
    m_stallWatch->stop();
    unloadDeck(0);
    unloadDeck(1);
    m_engine.blank();
}

void ClipPlayer::stop()
{
    m_handOver->stop();
    tearDown();
    clearByHand();
    m_engine.hideWindow();
    // Nothing is left to resume.
    m_parked = false;
}

void ClipPlayer::handOver()
{
    clearByHand();
    // Only a picture on the screen can stay there.
    if (m_parked || m_current < 0 || !m_decks[m_current].shown) {
        stop();
        return;
    }
    if (m_pending >= 0) {
        m_firstFrameWatch->stop();
        unloadDeck(m_pending);
    }
    Deck& deck = m_decks[m_current];
    m_engine.pause(m_current);
    deck.paused = true;
    logOnScreen(deck);
    m_stallWatch->stop();
    m_handOver->start();
}

void ClipPlayer::park()
{
    clearByHand();
    m_handOver->stop();
    // A clip still being prepared has never been on the screen: it is dropped.
    if (m_pending >= 0) {
        m_firstFrameWatch->stop();
        unloadDeck(m_pending);
    }
    if (m_current >= 0) {
        m_engine.pause(m_current);
        m_decks[m_current].paused = true;
        logOnScreen(m_decks[m_current]);
    }
    m_stallWatch->stop();
    m_engine.hideWindow();
    m_parked = true;
}

void ClipPlayer::testLoad()
{
    const QRect rect = playerplacement::rect(m_settings, kinds::kClip);
    m_engine.place(rect);
    m_parked = false;
    applyMode();
    const QString file = resolved(m_settings.text(key::SCEdit2));
    QString refusal;
    if (!playFile(file, rect, &refusal))
        throw Failure(refusal + QStringLiteral(": ") + file);
    showByHand(QString(), file);
}

void ClipPlayer::pauseClip()
{
    if (m_current < 0)
        return;
    m_engine.pause(m_current);
    m_decks[m_current].paused = true;
    m_stallWatch->stop();
}

void ClipPlayer::playClip()
{
    if (m_current < 0)
        return;
    m_engine.play(m_current);
    m_decks[m_current].paused = false;
    watchStall();
}

void ClipPlayer::restartClip()
{
    playClip();
    m_engine.showWindow();
}

bool ClipPlayer::playing() const
{
    if (m_current < 0 || m_parked)
        return false;
    const Deck& deck = m_decks[m_current];
    return deck.shown && !deck.paused && !deck.ended;
}

QString ClipPlayer::file() const
{
    if (m_pending >= 0)
        return m_decks[m_pending].file;
    return m_current >= 0 ? m_decks[m_current].file : QString();
}

qint64 ClipPlayer::positionMs() const
{
    return m_current >= 0 ? m_decks[m_current].positionMs : 0;
}

}  // namespace velumo
