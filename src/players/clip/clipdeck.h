#pragma once

#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QVideoFrame>
#include <atomic>

class QMediaPlayer;
class QVideoSink;

namespace velumo {

// One media player of the clip window, living on a thread of its own: loading, tearing down
// and the first decoding block for hundreds of milliseconds with GStreamer, so none of it may
// run on the user-interface thread. Pictures are converted and scaled to the window's size
// here too; the window only draws them. Reports carry the ticket of the load they are about.
class ClipDeck final : public QObject {
    Q_OBJECT
public:
    ClipDeck();
    ~ClipDeck() override;

    // Any thread.
    void setTargetSize(const QSize& size);

    // On the deck's thread.
    void load(quint64 ticket, const QString& file);
    void play();
    void pause();
    void unload();

signals:
    void picture(quint64 ticket, const QImage& image);
    void progressed(quint64 ticket, qint64 positionMs);
    void ended(quint64 ticket);
    void failed(quint64 ticket, const QString& reason);

private:
    void create();
    void release();
    void takeFrame(const QVideoFrame& frame);
    void convert();
    void report(const QString& reason);

    QMediaPlayer* m_player = nullptr;
    QVideoSink* m_sink = nullptr;
    std::atomic<quint64> m_ticket{0};
    quint64 m_failedTicket = 0;
    QMutex m_mutex;
    QVideoFrame m_latest;
    quint64 m_latestTicket = 0;
    bool m_convertQueued = false;
    QSize m_target;
};

}  // namespace velumo
