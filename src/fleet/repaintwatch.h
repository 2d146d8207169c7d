#pragma once

#include <QtGlobal>
#include <array>

namespace velumo {

// What the strip's repaints tell: when it last painted a new position and how long the gaps
// between new positions were. Fed from the strip's paint, so it only counts and compares.
class RepaintWatch final {
public:
    // Upper bounds of the gap histogram's buckets, in milliseconds (one more counts the rest).
    static constexpr std::array<qint64, 7> kBucketsMs{10, 20, 33, 50, 100, 250, 1000};

    // A repaint at position (the picture's left edge) at the monotonic time nowMs.
    void painted(int position, qint64 nowMs)
    {
        if (m_hasPosition && position == m_position)
            return;
        if (m_lastMs >= 0) {
            const qint64 gapMs = nowMs - m_lastMs;
            std::size_t bucket = 0;
            while (bucket < kBucketsMs.size() && gapMs > kBucketsMs[bucket])
                ++bucket;
            ++m_counts[bucket];
            m_sumMs += gapMs;
            m_largestMs = qMax(m_largestMs, gapMs);
        }
        m_lastMs = nowMs;
        m_position = position;
        m_hasPosition = true;
    }

    // The strip is not meant to move: the gap until the next new position is not a gap.
    void rest()
    {
        m_lastMs = -1;
        m_largestMs = 0;
    }

    // Monotonic time of the last new position, -1 when none since rest().
    qint64 lastMs() const { return m_lastMs; }
    // The largest gap since the last call, and forgets it.
    qint64 takeLargestGapMs()
    {
        const qint64 largest = m_largestMs;
        m_largestMs = 0;
        return largest;
    }

    // Gaps per bucket (not cumulative), the last one above every bound.
    const std::array<quint64, kBucketsMs.size() + 1>& counts() const { return m_counts; }
    qint64 sumMs() const { return m_sumMs; }

private:
    qint64 m_lastMs = -1;
    qint64 m_largestMs = 0;
    int m_position = 0;
    bool m_hasPosition = false;
    std::array<quint64, kBucketsMs.size() + 1> m_counts{};
    qint64 m_sumMs = 0;
};

}  // namespace velumo
