#pragma once

#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace velumo::bench {

// Stands for the ticker strip: a window along the bottom of a 1280x720 screen repainted on
// every tick of a 16 ms precise timer; the largest gap between two repaints is what a block of
// the user-interface thread does to the strip.
class StripSampler final : public QWidget {
public:
    StripSampler()
    {
        setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        setGeometry(0, 680, 1280, 40);
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(16);
        QObject::connect(&m_tick, &QTimer::timeout, this, [this] { update(); });
        m_tick.start();
    }
    // The gap is counted from now, so a block right after this call counts too.
    void resetGap()
    {
        m_largestGapMs = 0;
        m_last.start();
    }
    qint64 largestGapMs() const { return m_largestGapMs; }
    // No more repaints (for figures of the process's CPU without the strip).
    void halt()
    {
        m_tick.stop();
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(rect(), QColor(0, 0, 80 + (m_frame++ % 100)));
        if (m_last.isValid())
            m_largestGapMs = std::max(m_largestGapMs, m_last.restart());
        else
            m_last.start();
    }

private:
    QTimer m_tick;
    QElapsedTimer m_last;
    qint64 m_largestGapMs = 0;
    int m_frame = 0;
};

}  // namespace velumo::bench
