#include "clipdeck.h"

#include <QMediaPlayer>
#include <QMutexLocker>
#include <QUrl>
#include <QVideoSink>
#include <vector>

namespace velumo {

namespace {

inline uchar clamped(int value)
{
    return uchar(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// Planar and semi-planar 4:2:0 frames (what the decoders give) are converted and scaled in one
// pass at the window's size, nearest sample, BT.601 studio range: a fraction of the cost of
// converting the whole frame first and scaling afterwards. Other formats take Qt's way.
QImage pictureOf(const QVideoFrame& source, const QSize& target)
{
    QVideoFrame frame(source);
    const QVideoFrameFormat::PixelFormat format = frame.pixelFormat();
    const bool planar =
        format == QVideoFrameFormat::Format_YUV420P || format == QVideoFrameFormat::Format_YV12;
    const bool semiPlanar = format == QVideoFrameFormat::Format_NV12;
    const QSize sourceSize = frame.size();
    QSize size = sourceSize;
    if (target.isValid() && !target.isEmpty())
        size = sourceSize.scaled(target, Qt::KeepAspectRatio);
    if ((planar || semiPlanar) && !size.isEmpty() && frame.map(QVideoFrame::ReadOnly)) {
        QImage image(size, QImage::Format_RGB32);
        const uchar* luma = frame.bits(0);
        const int lumaStride = frame.bytesPerLine(0);
        const uchar* uPlane = frame.bits(1);
        const int chromaStride = frame.bytesPerLine(1);
        const uchar* vPlane = planar ? frame.bits(2) : nullptr;
        if (format == QVideoFrameFormat::Format_YV12)
            std::swap(uPlane, vPlane);
        std::vector<int> columns(size_t(size.width()));
        for (int x = 0; x < size.width(); ++x)
            columns[size_t(x)] = int(qint64(x) * sourceSize.width() / size.width());
        for (int y = 0; y < size.height(); ++y) {
            const int sy = int(qint64(y) * sourceSize.height() / size.height());
            const uchar* lumaRow = luma + qint64(sy) * lumaStride;
            const uchar* uRow = uPlane + qint64(sy / 2) * chromaStride;
            const uchar* vRow = planar ? vPlane + qint64(sy / 2) * frame.bytesPerLine(2) : nullptr;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                const int sx = columns[size_t(x)];
                const int c = (lumaRow[sx] - 16) * 298;
                const int d = (planar ? uRow[sx / 2] : uRow[(sx / 2) * 2]) - 128;
                const int e = (planar ? vRow[sx / 2] : uRow[(sx / 2) * 2 + 1]) - 128;
                out[x] = qRgb(clamped((c + 409 * e + 128) >> 8),
                              clamped((c - 100 * d - 208 * e + 128) >> 8),
                              clamped((c + 516 * d + 128) >> 8));
            }
        }
        frame.unmap();
        return image;
    }
    QImage image = frame.toImage();
    if (image.isNull())
        return image;
    if (image.size() != size)
        image = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

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
    connect(m_sink, &QVideoSink::videoFrameChanged, this, &ClipDeck::takeFrame,
            Qt::DirectConnection);
    connect(
        m_player, &QMediaPlayer::errorOccurred, this,
        [this](QMediaPlayer::Error error, const QString& text) {
            if (error != QMediaPlayer::NoError)
                report(text.isEmpty() ? QStringLiteral("media error %1").arg(int(error)) : text);
        });
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::InvalidMedia)
                    report(QStringLiteral("the clip cannot be decoded"));
                else if (status == QMediaPlayer::EndOfMedia && m_ticket)
                    emit ended(m_ticket);
            });
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 positionMs) {
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
    m_player->setSource(QUrl::fromLocalFile(file));
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
    QMetaObject::invokeMethod(this, &ClipDeck::convert, Qt::QueuedConnection);
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
    const QImage image = pictureOf(frame, target);
    if (!image.isNull())
        emit picture(ticket, image);
}

}  // namespace velumo
