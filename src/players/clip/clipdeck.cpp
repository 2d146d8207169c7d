#include "clipdeck.h"

#include <QMediaPlayer>
#include <QMutexLocker>
#include <QUrl>
#include <QVideoSink>

#include "base/guard.h"
#include "players/clip/dvdsource.h"
#include "players/pictureconverter.h"

namespace velumo {

ClipDeck::ClipDeck() = default;

ClipDeck::~ClipDeck()
{
    release();
}

void ClipDeck::setTargetSize(const QSize& size)
{
    QMutexLocker lock(&m_mutex);
    m_target = size;
}

void ClipDeck::create()
{
    m_player = new QMediaPlayer(this);
    m_sink = new QVideoSink(this);
    m_player->setVideoSink(m_sink);
    // The sink may report from a streaming thread: only the newest frame is kept, and it is
    // converted on this thread.
    connectGuarded(m_sink, &QVideoSink::videoFrameChanged, this,
                   Origin::unattended(QStringLiteral("clipdeck")), &ClipDeck::takeFrame,
                   Qt::DirectConnection);
    connectGuarded(
        m_player, &QMediaPlayer::errorOccurred, this,
        Origin::unattended(QStringLiteral("clipdeck")),
        [this](QMediaPlayer::Error error, const QString& text) {
            if (error != QMediaPlayer::NoError)
                report(text.isEmpty() ? QStringLiteral("media error %1").arg(int(error)) : text);
        });
    connectGuarded(m_player, &QMediaPlayer::mediaStatusChanged, this,
                   Origin::unattended(QStringLiteral("clipdeck")),
                   [this](QMediaPlayer::MediaStatus status) {
                       if (status == QMediaPlayer::InvalidMedia)
                           report(QStringLiteral("the clip cannot be decoded"));
                       else if (status == QMediaPlayer::EndOfMedia && m_ticket)
                           emit ended(m_ticket);
                   });
    connectGuarded(m_player, &QMediaPlayer::positionChanged, this,
                   Origin::unattended(QStringLiteral("clipdeck")), [this](qint64 positionMs) {
                       if (m_ticket)
                           emit progressed(m_ticket, positionMs);
                   });
}

void ClipDeck::release()
{
    m_ticket = 0;
    // A player that has failed may stay in a broken state: each load gets a new one. Deleting
    // it tears the pipeline down here, on the deck's thread.
    delete m_player;
    m_player = nullptr;
    delete m_sink;
    m_sink = nullptr;
    QMutexLocker lock(&m_mutex);
    m_latest = QVideoFrame();
    m_latestTicket = 0;
}

void ClipDeck::load(quint64 ticket, const QString& file)
{
    release();
    create();
    m_failedTicket = 0;
    m_ticket = ticket;
    if (file.startsWith(u"dvd://")) {
        // A DVD title: the reader is told the folder when the player makes it.
        dvdsource::prepare();
        m_player->setSource(QUrl(file));
    } else {
        m_player->setSource(QUrl::fromLocalFile(file));
    }
    // Prepared paused: the first picture comes without playing on.
    m_player->pause();
}

void ClipDeck::play()
{
    if (m_player)
        m_player->play();
}

void ClipDeck::pause()
{
    if (m_player)
        m_player->pause();
}

void ClipDeck::unload()
{
    release();
}

void ClipDeck::report(const QString& reason)
{
    const quint64 ticket = m_ticket;
    if (!ticket || ticket == m_failedTicket)
        return;
    m_failedTicket = ticket;
    emit failed(ticket, reason);
}

void ClipDeck::takeFrame(const QVideoFrame& frame)
{
    const quint64 ticket = m_ticket;
    if (!ticket || !frame.isValid())
        return;
    QMutexLocker lock(&m_mutex);
    m_latest = frame;
    m_latestTicket = ticket;
    if (m_convertQueued)
        return;
    m_convertQueued = true;
    postGuarded(this, Origin::unattended(QStringLiteral("clipdeck")), [this] { convert(); });
}

void ClipDeck::convert()
{
    QVideoFrame frame;
    quint64 ticket = 0;
    QSize target;
    {
        QMutexLocker lock(&m_mutex);
        frame = m_latest;
        ticket = m_latestTicket;
        target = m_target;
        m_convertQueued = false;
    }
    if (!ticket || ticket != m_ticket || !frame.isValid())
        return;
    const QImage image = PictureConverter::pictureOf(frame, target);
    if (!image.isNull())
        emit picture(ticket, image);
}

}  // namespace velumo
