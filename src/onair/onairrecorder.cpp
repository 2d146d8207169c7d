#include "onairrecorder.h"

#include <QJsonArray>

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/scheduleline.h"
#include "onair/onairmodel.h"
#include "onair/onairstatefile.h"
#include "players/playerregistry.h"
#include "ticker/tickerblock.h"
#include "ticker/tickerengine.h"

namespace velumo {

OnAirRecorder::OnAirRecorder(const OnAirModel& model, Parts parts, OnAirStateFile& file,
                             const Clock& clock, Notifier& notifier, EventLog& log, QObject* parent)
    : QObject(parent),
      m_model(model),
      m_parts(parts),
      m_file(file),
      m_clock(clock),
      m_notifier(notifier),
      m_log(log)
{
    // A new announcement alone is written at most once a second; every other change at once.
    connectGuarded(
        &model, &OnAirModel::changed, this, Origin::unattended(QStringLiteral("onair")),
        [this](OnAirModel::Part part) { record(part == OnAirModel::Part::Announcement); });
}

OnAirRecorder::~OnAirRecorder() = default;

OnAirState OnAirRecorder::current() const
{
    const OnAirNow now = m_model.now();
    OnAirState state;
    if (now.strip) {
        state.tickerRunning = now.strip->running;
        state.blockFile = now.strip->blockFile;
        state.nextLine = now.strip->nextLine;
    }
    if (now.dispatcher) {
        state.dispatcherOn = now.dispatcher->on;
        state.planFile = now.dispatcher->planFile;
        state.dispatcherStops = now.dispatcher->stopsArmed;
    }
    state.players = now.showing();
    return state;
}

void OnAirRecorder::begin()
{
    m_recording = true;
    record(false);
}

void OnAirRecorder::record(bool announcementOnly)
{
    if (!m_recording)
        return;
    const OnAirState state = current();
    m_file.record(state, announcementOnly);
    if (state.onAir() != m_onAir) {
        m_onAir = state.onAir();
        emit onAirChanged(m_onAir);
    }
}

void OnAirRecorder::logResume(const QString& text)
{
    m_log.write(QStringLiteral("resume"), text);
}

void OnAirRecorder::prepareResume(const OnAirState& state)
{
    Settings& settings = m_parts.settings;
    // A line still on air after the day's last start left the dispatcher off: it comes back all
    // the same, so that its own resume starts the line again with its stop (where the plan is
    // loaded at start, the condition of that resume), and then arms the next line or goes off.
    settings.setChecked(key::SCCheckBox6,
                        state.dispatcherOn || (!state.dispatcherStops.isEmpty() &&
                                               settings.checked(key::SCCheckbox19)));
    if (!state.planFile.isEmpty())
        settings.setText(key::SCEditn10, state.planFile);
    if (!state.blockFile.isEmpty())
        settings.setText(key::SCEdit5, state.blockFile);
}

void OnAirRecorder::resume(const OnAirState& state)
{
    m_resumed.clear();
    Settings& settings = m_parts.settings;
    logResume(state.stoppedBy.isEmpty()
                  ? QStringLiteral("after an unclean end")
                  : QStringLiteral("after a stop by %1").arg(state.stoppedBy));
    const bool dispatcherOn = settings.checked(key::SCCheckBox6);
    if (dispatcherOn) {
        m_resumed.append(QStringLiteral("dispatcher"));
        logResume(QStringLiteral("dispatcher on, plan %1").arg(settings.text(key::SCEditn10)));
    }
    // The line the dispatcher's own resume starts again is left to it.
    QString byDispatcher;
    if (dispatcherOn && settings.checked(key::SCCheckbox19))
        byDispatcher = scheduleline::contentLetter(m_parts.dispatcher.runningSavedEntry());
    for (const PlayerRequest& request : state.players) {
        if (byDispatcher == request.letter)
            continue;
        // Content of a line whose stop nothing would arm again does not come back to play on
        // past that stop.
        if (byDispatcher.isEmpty() && state.dispatcherStops.contains(request.letter)) {
            logResume(QStringLiteral("player %1 left off: its plan line is not resumed "
                                     "(the plan is not loaded at start)")
                          .arg(request.letter));
            continue;
        }
        guarded(m_notifier, [&] {
            logResume(QStringLiteral("player %1 %2 %3")
                          .arg(request.letter)
                          .arg(request.slot, request.target));
            m_resumed.append(QString(request.letter));
            m_parts.players.start(request);
        });
    }
    // A string line the dispatcher starts again brings its own block to the strip.
    if (state.tickerRunning && byDispatcher == u"s") {
        logResume(QStringLiteral("ticker with the dispatcher's line"));
        m_resumed.append(QStringLiteral("ticker"));
    } else if (state.tickerRunning) {
        guarded(m_notifier, [&] {
            const QString file = settings.text(key::SCEdit5);
            m_parts.block.LoadTickerFile(file, m_clock.now());
            const int lines = int(m_parts.block.text().size());
            const int line = state.nextLine < lines ? state.nextLine : 0;
            logResume(QStringLiteral("ticker at line %1 of %2").arg(line).arg(file));
            m_resumed.append(QStringLiteral("ticker"));
            m_parts.ticker.setResumeLine(line);
            // The direct start of the "r" switch, which also lets the dispatcher run again.
            m_parts.ticker.BitBtn2Click();
        });
    }
    if (m_resumed.isEmpty())
        logResume(QStringLiteral("nothing was on air"));
}

QJsonObject OnAirRecorder::status() const
{
    return QJsonObject{{QStringLiteral("on_air"), m_onAir},
                       {QStringLiteral("resumed"), QJsonArray::fromStringList(m_resumed)},
                       {QStringLiteral("strip_left"), m_parts.ticker.pictureLeft()}};
}

}  // namespace velumo
