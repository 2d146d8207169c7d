#include "progressthrottle.h"

namespace velumo {

bool ProgressThrottle::due(qint64 done, qint64 total)
{
    if (m_completed || done == m_lastDone)
        return false;
    const bool complete = total >= 0 && done >= total;
    if (!complete && m_sinceLast.isValid() && m_sinceLast.elapsed() < m_intervalMs)
        return false;
    m_completed = complete;
    m_lastDone = done;
    m_sinceLast.start();
    return true;
}

void ProgressThrottle::reset()
{
    m_sinceLast.invalidate();
    m_lastDone = -1;
    m_completed = false;
}

}  // namespace velumo
