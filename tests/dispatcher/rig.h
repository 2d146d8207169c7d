#pragma once

#include <QDir>
#include <QJsonArray>
#include <QStringList>
#include <QTemporaryDir>
#include <exception>
#include <functional>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "devices/broadcastmute.h"
#include "devices/lptpins.h"
#include "devices/parallelport.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/walltimer.h"
#include "fakes/fakedevices.h"
#include "fakes/faketimers.h"
#include "fakes/recordingplayers.h"
#include "fakes/testsupport.h"
#include "ticker/tickerblock.h"
#include "ticker/tickercontrol.h"

namespace velumo::test {

// Runs a handler through its serializer the way the tests of its steps look at it: a failure
// comes out as the exception it was (the handler ended at that step), not as an error report.
inline void runThrowing(const std::function<void(HandlerSerializer::Caller)>& call)
{
    std::exception_ptr failure;
    call({[&failure](const std::function<void()>& step) {
              try {
                  step();
                  return true;
              } catch (...) {
                  failure = std::current_exception();
                  return false;
              }
          },
          {}});
    if (failure)
        std::rethrow_exception(failure);
}

// Records what the dispatcher asked of the ticker.
class RecordingTicker final : public TickerControl {
public:
    bool TickerRunning() const override { return running; }
    void setTickerRunning(bool value) override
    {
        running = value;
        calls.append(value ? QStringLiteral("running") : QStringLiteral("not running"));
    }
    void setResumeLine(int line) override { calls.append(QStringLiteral("resume %1").arg(line)); }
    void ApplyTickerWindow() override { calls.append(QStringLiteral("apply")); }
    void StartRunStringThread() override
    {
        running = true;
        calls.append(QStringLiteral("run"));
    }
    void StopTicker() override
    {
        running = false;
        calls.append(QStringLiteral("stop"));
    }
    void bringToFront() override { calls.append(QStringLiteral("front")); }
    void setWorkLabel(const QString& text) override { workLabel = text; }

    bool running = false;
    QStringList calls;
    QString workLabel;
};

// Everything the dispatcher works with, on a fake clock in a temporary program folder.
struct DispatcherRig {
    QTemporaryDir dir;
    QString folder = dir.path();
    Settings settings;
    EventLog log{folder + QStringLiteral("/velumo.log")};
    RecordingNotifier notifier;
    FakeClock clock;
    FakeTimerFactory timers{clock};
    RecordingTicker ticker;
    TickerBlock block{settings};
    test::MemoryParallelPort port;
    LptPins pins{settings, port};
    RecordingTonePlayer tones;
    RecordingMasterMute mute;
    BroadcastMute broadcast{mute};
    RecordingPlayers players{log};
    int clockRedraws = 0;
    DispatcherEngine engine{folder,
                            settings,
                            notifier,
                            log,
                            clock,
                            timers,
                            EntryDevices{ticker, block, pins, tones, broadcast, players.registry,
                                         [this] { ++clockRedraws; }}};

    EntryHandlers& handlers() { return engine.handlers(); }

    QString path(const QString& name) const { return folder + u'/' + name; }

    // Writes a plan file and names it in SCEditn10.
    void writePlan(const QStringList& lines, const QString& name = QStringLiteral("plan.pln"))
    {
        writeTextLines(path(name), lines);
        settings.setText(key::SCEditn10, path(name));
    }

    // The events of one kind in velumo.log, their texts only.
    QStringList events(const QString& kind) const { return logEvents(log.path(), kind); }

    QString savedEntry() const
    {
        const QStringList lines = readTextLines(path(DispatcherEngine::kSavedEntryFile));
        return lines.value(0);
    }
};

// A schedule line of 13 October 2010 ("13.10.10 hh:mm:ss|CODE|MODE0|13.10.10 hh:mm:ss").
inline QString planLine(const QString& start, const QString& code, const QString& stop,
                        const QString& mode = QStringLiteral("0"))
{
    return QStringLiteral("13.10.10 %1|%2|%3|13.10.10 %4").arg(start, code, mode + u'0', stop);
}

}  // namespace velumo::test

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
