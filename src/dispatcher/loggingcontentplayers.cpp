#include "loggingcontentplayers.h"

#include "base/eventlog.h"

namespace velumo {

void LoggingContentPlayers::start(PlayerKind kind, const QString& slot)
{
    m_log.write(QStringLiteral("player"),
                QStringLiteral("start ") + playerLetter(kind) + u' ' + slot);
}

void LoggingContentPlayers::stop(PlayerKind kind)
{
    m_log.write(QStringLiteral("player"), QStringLiteral("stop ") + playerLetter(kind));
}

void LoggingContentPlayers::park(PlayerKind kind)
{
    m_log.write(QStringLiteral("player"), QStringLiteral("park ") + playerLetter(kind));
}

}  // namespace velumo
