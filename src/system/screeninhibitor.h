#pragma once

#include <QJsonObject>
#include <QObject>
#include <memory>
#include <vector>

#include "system/screenhold.h"

namespace velumo {

class EventLog;

// Keeps the screen saver and display power saving away while anything is on air. Of the ways
// given (in order of preference) the first one offered here is used; none offered: "none".
// The screen counts as held once the way has answered that it is; a way that refuses (a
// screen-saver service that answers with an error, an X server that is gone) leaves it not held,
// says why in velumo.log and in the status's "error".
class ScreenInhibitor final : public QObject {
    Q_OBJECT
public:
    ScreenInhibitor(std::vector<std::unique_ptr<ScreenHold>> ways, EventLog* log = nullptr,
                    QObject* parent = nullptr);
    ~ScreenInhibitor() override;

    // On air: the screen is held until it is off air again.
    void setOnAir(bool onAir);
    // The normal exit: a hold is released before the program goes.
    void releaseAtExit();

    // "dbus", "x11", "none"; "" while the ways are still being asked.
    QString way() const;
    // The way answered that the screen is held.
    bool held() const { return m_held; }
    // The "screen" member of the control channel's status.
    QJsonObject status() const;

private:
    void probeNext();
    void apply();
    void holdAnswered(const QString& failure);
    void log(const QString& text);

    std::vector<std::unique_ptr<ScreenHold>> m_ways;
    EventLog* m_log;
    // The way in use; m_ways.size() for none. Unknown while probing.
    std::size_t m_chosen = 0;
    bool m_decided = false;
    bool m_wanted = false;
    // Asked of the way (and not released since).
    bool m_asked = false;
    bool m_held = false;
    // Why the last hold or release failed; empty once one succeeds.
    QString m_error;
    // Each hold asked has its number: the answer of one released since is not ours any more.
    quint64 m_holdNumber = 0;
};

}  // namespace velumo
