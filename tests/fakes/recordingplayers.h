#pragma once

#include <QStringList>

#include "dispatcher/contentplayers.h"

namespace velumo::test {

// Records what the dispatcher asked of the content players: "start k 3", "park p", "stop w".
class RecordingPlayers final : public ContentPlayers {
public:
    void start(PlayerKind kind, const QString& slot) override
    {
        calls.append(QStringLiteral("start ") + playerLetter(kind) + u' ' + slot);
    }
    void stop(PlayerKind kind) override
    {
        calls.append(QStringLiteral("stop ") + playerLetter(kind));
    }
    void park(PlayerKind kind) override
    {
        calls.append(QStringLiteral("park ") + playerLetter(kind));
    }
    QStringList calls;
};

}  // namespace velumo::test
