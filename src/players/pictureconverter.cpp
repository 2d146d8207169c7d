#include "pictureconverter.h"

#include <QMutex>
#include <QMutexLocker>
#include <vector>

#include "base/guard.h"

namespace velumo {

namespace {

inline uchar clamped(int value)
{
    return uchar(value < 0 ? 0 : (value > 255 ? 255 : value));
}

}  // namespace

// Planar and semi-planar 4:2:0 frames (what the decoders give) are converted and scaled in one
// pass at the window's size, nearest sample, BT.601 studio range: a fraction of the cost of
// converting the whole frame first and scaling afterwards.
QImage PictureConverter::pictureOf(const QVideoFrame& source, const QSize& target)
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

class PictureConverter::Core final : public QObject {
    Q_OBJECT
public:
    void setTargetSize(const QSize& size)
    {
        QMutexLocker lock(&m_mutex);
        m_target = size;
    }

    void take(const QVideoFrame& frame)
    {
        QMutexLocker lock(&m_mutex);
        m_latest = frame;
        if (m_queued)
            return;
        m_queued = true;
        postGuarded(this, Origin::unattended(QStringLiteral("capture")), [this] { convert(); });
    }

signals:
    void picture(const QImage& image);

private:
    void convert()
    {
        QVideoFrame frame;
        QSize target;
        {
            QMutexLocker lock(&m_mutex);
            frame = m_latest;
            target = m_target;
            m_latest = QVideoFrame();
            m_queued = false;
        }
        const QImage image = pictureOf(frame, target);
        if (!image.isNull())
            emit picture(image);
    }

    QMutex m_mutex;
    QVideoFrame m_latest;
    bool m_queued = false;
    QSize m_target;
};

PictureConverter::PictureConverter()
    : m_thread(QStringLiteral("picture converter")), m_core(new Core())
{
    m_thread.adopt(m_core);
    // Goes with this object: a picture of a converter that has gone reaches nobody.
    connect(m_core, &Core::picture, this, &PictureConverter::picture,
            Qt::DirectConnection);  // plain: a signal passed on
}

PictureConverter::~PictureConverter()
{
    disconnect(m_core, nullptr, this, nullptr);
    // A frame that takes longer than the grace is left to finish, its thread and core let go.
    m_thread.stop();
}

void PictureConverter::setTargetSize(const QSize& size)
{
    m_core->setTargetSize(size);
}

void PictureConverter::take(const QVideoFrame& frame)
{
    if (!frame.isValid())
        return;
    m_core->take(frame);
}

}  // namespace velumo

#include "pictureconverter.moc"
