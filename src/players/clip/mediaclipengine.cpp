#include "mediaclipengine.h"

#include <QDeadlineTimer>

#include "base/guard.h"
#include "base/loopthread.h"
#include "players/clip/clipdeck.h"
#include "players/picturewindow.h"

namespace velumo {

MediaClipEngine::MediaClipEngine(PictureWindow& window, QObject* parent)
    : ClipEngine(parent), m_window(window)
{
    for (int i = 0; i < kDecks; ++i) {
        Slot& slot = m_slots[i];
        slot.thread = std::make_unique<LoopThread>(QStringLiteral("clip deck %1").arg(i));
        slot.deck = new ClipDeck();
        slot.deck->setTargetSize(window.size());
        slot.thread->adopt(slot.deck);
        connectGuarded(
            slot.deck, &ClipDeck::picture, this,
            Origin::unattended(QStringLiteral("mediaclipengine")),
            [this, i](quint64 ticket, const QImage& image) { onPicture(i, ticket, image); });
        connectGuarded(slot.deck, &ClipDeck::progressed, this,
                       Origin::unattended(QStringLiteral("mediaclipengine")),
                       [this, i](quint64 ticket, qint64 ms) {
                           if (ticket != m_slots[i].ticket)
                               return;
                           m_slots[i].positionMs = ms;
                           emit progressed(i, ticket, ms);
                       });
        connectGuarded(slot.deck, &ClipDeck::ended, this,
                       Origin::unattended(QStringLiteral("mediaclipengine")),
                       [this, i](quint64 ticket) {
                           if (ticket == m_slots[i].ticket)
                               emit ended(i, ticket);
                       });
        connectGuarded(slot.deck, &ClipDeck::failed, this,
                       Origin::unattended(QStringLiteral("mediaclipengine")),
                       [this, i](quint64 ticket, const QString& why) {
                           if (ticket == m_slots[i].ticket)
                               emit failed(i, ticket, why);
                       });
    }
    connectGuarded(&window, &PictureWindow::resized, this,
                   Origin::unattended(QStringLiteral("mediaclipengine")),
                   [this](const QSize& size) {
                       for (Slot& slot : m_slots)
                           slot.deck->setTargetSize(size);
                   });
}

MediaClipEngine::~MediaClipEngine()
{
    // The media go on the deck's own thread, then the deck, then the thread ends. Both decks
    // unload at once, and a deck that takes too long (a media stop that hangs) is left behind
    // with its thread instead of holding up the exit.
    for (Slot& slot : m_slots) {
        disconnect(slot.deck, nullptr, this, nullptr);
        slot.thread->quit([deck = slot.deck] { deck->unload(); });
    }
    const QDeadlineTimer deadline(kShutDownMs);
    for (Slot& slot : m_slots)
        slot.thread->stop(std::chrono::milliseconds(deadline.remainingTime()));
}

template <typename Call>
void MediaClipEngine::post(int deck, Call&& call)
{
    if (deck < 0 || deck >= kDecks)
        return;
    ClipDeck* target = m_slots[deck].deck;
    postGuarded(target, Origin::unattended(QStringLiteral("clipplayer")),
                [target, call] { call(*target); });
}

void MediaClipEngine::place(const QRect& rect)
{
    for (Slot& slot : m_slots)
        slot.deck->setTargetSize(rect.size());
    m_window.setGeometry(rect);
}

void MediaClipEngine::showWindow()
{
    m_window.show();
}

void MediaClipEngine::hideWindow()
{
    m_window.hide();
}

void MediaClipEngine::blank()
{
    m_shown = -1;
    m_window.blank();
}

void MediaClipEngine::load(int deck, quint64 ticket, const QString& file)
{
    if (deck < 0 || deck >= kDecks)
        return;
    Slot& slot = m_slots[deck];
    slot.ticket = ticket;
    slot.sawPicture = false;
    slot.positionMs = 0;
    slot.latest = QImage();
    post(deck, [ticket, file](ClipDeck& d) { d.load(ticket, file); });
}

void MediaClipEngine::play(int deck)
{
    post(deck, [](ClipDeck& d) { d.play(); });
}

void MediaClipEngine::pause(int deck)
{
    post(deck, [](ClipDeck& d) { d.pause(); });
}

void MediaClipEngine::unload(int deck)
{
    if (deck < 0 || deck >= kDecks)
        return;
    Slot& slot = m_slots[deck];
    slot.ticket = 0;
    slot.latest = QImage();
    // The window keeps the deck's last picture until another comes or it is blanked.
    if (m_shown == deck)
        m_shown = -1;
    post(deck, [](ClipDeck& d) { d.unload(); });
}

void MediaClipEngine::showDeck(int deck)
{
    if (deck < 0 || deck >= kDecks)
        return;
    m_shown = deck;
    if (!m_slots[deck].latest.isNull())
        m_window.setPicture(m_slots[deck].latest);
}

void MediaClipEngine::onPicture(int deck, quint64 ticket, const QImage& image)
{
    Slot& slot = m_slots[deck];
    if (ticket != slot.ticket)
        return;
    slot.latest = image;
    if (m_shown == deck)
        m_window.setPicture(image);
    if (!slot.sawPicture) {
        slot.sawPicture = true;
        emit firstFrame(deck, ticket);
    } else {
        emit progressed(deck, ticket, slot.positionMs);
    }
}

}  // namespace velumo
