#include "entryhandlers.h"

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "devices/broadcastmute.h"
#include "devices/lptpins.h"
#include "devices/toneplayer.h"
#include "dispatcher/handlerserializer.h"
#include "dispatcher/playerrequests.h"
#include "dispatcher/scheduleline.h"
#include "dispatcher/slottable.h"
#include "dispatcher/walltimer.h"
#include "ticker/tickerblock.h"
#include "ticker/tickercontrol.h"

namespace velumo {

namespace {

const QString kWorking = QStringLiteral("Работаем!");
const QString kStringLoadFailed = QStringLiteral("Ошибка загрузки файла строки!!");

constexpr qint64 kDayMs = 86'400'000;

// "hh:mm:ss" of a span as a time of day: a day or more shows only its hours below 24.
QString spanText(qint64 ms)
{
    if (ms < 0)
        ms = 0;
    return QTime::fromMSecsSinceStartOfDay(int(ms % kDayMs)).toString(u"hh:mm:ss");
}

struct Tone {
    const char* box;
    const char* frequency;
};

struct Pin {
    const char* box;
    const char* number;
};

// The two groups of the page "Порты диспетчера".
constexpr Tone kStringStartTone{key::SCCheckBox4, key::SCEdit69};
constexpr Tone kStringStopTone{key::SCCheckBox5, key::SCEdit70};
constexpr Pin kStringPin{key::SCCheckBox2, key::SpinEdit9};
constexpr Tone kClipStartTone{key::SCCheckBox1, key::SCEdit71};
constexpr Tone kClipStopTone{key::SCCheckBox3, key::SCEdit72};
constexpr Pin kClipPin{key::SCCheckBox8, key::SpinEdit10};

// The current-entry fields of a group: slot, duration, stop time, start moment.
struct Fields {
    const char* slot;
    const char* duration;
    const char* stop;
    const char* start;
};
constexpr Fields kStringFields{key::SCEditn4, key::SCEditn5, key::SCEditn6, key::SCEditn9};
constexpr Fields kClipFields{key::SCEditn1, key::SCEditn2, key::SCEditn3, key::SCEditn8};

}  // namespace

// One row per content letter.
struct EntryHandlers::Kind {
    char letter = 0;
    const char* timerName = nullptr;
    // ContentKind after a start; nullptr leaves it (the ticker text).
    const char* contentKind = nullptr;
    const Fields* fields = &kClipFields;
    // nullptr: none.
    const Tone* startTone = nullptr;
    const Tone* stopTone = nullptr;
    const Pin* pin = nullptr;
    bool pinDropsAtStop = false;
    // The stop empties the current-entry fields (Flash, web page and capture leave them).
    bool stopEmptiesFields = false;
    // A stop code of the letter and "z" parks instead of stopping.
    bool parks = false;
    // A broadcast asks BroadcastMute to mute the output while it runs.
    bool mutes = false;
    // The ticker comes to the front of the new content's window.
    bool tickerToFront = false;
    // Failures of the stop are of no consequence (the Flash movie is gone either way).
    bool stopIgnoresFailures = false;
};

namespace {

using Kind = EntryHandlers::Kind;

const Kind kKindTable[] = {
    // The ticker text: a park ("sz") differs only at the next string start.
    {.letter = 's',
     .timerName = "Timer1stops",
     .fields = &kStringFields,
     .startTone = &kStringStartTone,
     .stopTone = &kStringStopTone,
     .pin = &kStringPin,
     .pinDropsAtStop = true,
     .stopEmptiesFields = true,
     .parks = true},
    {.letter = 'k',
     .timerName = "Timer1stopk",
     .contentKind = "avi",
     .startTone = &kClipStartTone,
     .stopTone = &kClipStopTone,
     .pin = &kClipPin,
     .pinDropsAtStop = true,
     .stopEmptiesFields = true,
     .parks = true,
     .tickerToFront = true},
    // The external player places its own window; no tones, no pin.
    {.letter = 'b',
     .timerName = "TimerStopB",
     .contentKind = "bsp",
     .stopEmptiesFields = true,
     .parks = true,
     .tickerToFront = true},
    // The slide show raises the pin of its group and leaves it up at its stop.
    {.letter = 'p',
     .timerName = "TimerStopPPT",
     .contentKind = "ppt",
     .startTone = &kClipStartTone,
     .pin = &kClipPin,
     .stopEmptiesFields = true,
     .parks = true,
     .tickerToFront = true},
    {.letter = 'f',
     .timerName = "Timer1StopF",
     .contentKind = "flash",
     .tickerToFront = true,
     .stopIgnoresFailures = true},
    // The web page stays in front of the ticker.
    {.letter = 'w', .timerName = "Timer1stopw", .contentKind = "www"},
    {.letter = 't',
     .timerName = "Timerstoptt",
     .contentKind = "tt",
     .mutes = true,
     .tickerToFront = true},
};

const Kind* findKind(const QString& letter)
{
    if (letter.size() != 1)
        return nullptr;
    for (const Kind& kind : kKindTable)
        if (letter[0] == QLatin1Char(kind.letter))
            return &kind;
    return nullptr;
}

// A row that is in the table.
const Kind& kindOf(char letter)
{
    return *findKind(QString(QLatin1Char(letter)));
}

}  // namespace

EntryHandlers::EntryHandlers(Settings& settings, Notifier& notifier, EventLog& log,
                             const Clock& clock, TimerFactory& timers,
                             HandlerSerializer& serializer, EntryDevices devices)
    : m_settings(settings),
      m_notifier(notifier),
      m_log(log),
      m_clock(clock),
      m_serializer(serializer),
      m_devices(std::move(devices))
{
    static_assert(std::size(kKindTable) == kKinds);
    for (int i = 0; i < kKinds; ++i) {
        const Kind& kind = kKindTable[i];
        m_stopTimers[i] =
            std::make_unique<WallTimer>(QString::fromLatin1(kind.timerName), timers, clock, &log);
        WallTimer& stop = *m_stopTimers[i];
        stop.setHandler([this, &stop, &kind] {
            // One-shot: the timer is disabled before anything can fail (a failing stop is
            // reported once) and before its stop waits for a running handler (a stop due at
            // once must not fire again and again meanwhile).
            stop.stop();
            m_serializer.start(stop.name(), [this, &kind](const Job& job) {
                stopEntry(job, kind, [job] { job.finish(); });
            });
        });
    }
    // A slide show that has shown its last slide ends its entry as its stop timer would. Queued:
    // the stop then does not run inside the player's own report.
    connectGuarded(
        &m_devices.players, &ContentPlayers::entryEnded, &m_context,
        Origin::unattended(QStringLiteral("entryhandlers")),
        [this](QChar letter) {
            const Kind* kind = findKind(QString(letter));
            if (kind)
                m_serializer.start(timer(*kind).name(), [this, kind](const Job& job) {
                    stopEntry(job, *kind, [job] { job.finish(); });
                });
        },
        Qt::QueuedConnection);
    // The content's window may open well after its start (a slide show converts its file
    // first, a movie loads): the ticker is brought to the front again over the new window.
    connectGuarded(&m_devices.players, &ContentPlayers::contentOnScreen, &m_context,
                   Origin::unattended(QStringLiteral("entryhandlers")), [this](QChar letter) {
                       const Kind* kind = findKind(QString(letter));
                       if (kind && kind->tickerToFront)
                           m_devices.ticker.bringToFront();
                   });
}

EntryHandlers::~EntryHandlers() = default;

WallTimer& EntryHandlers::timer(const Kind& kind) const
{
    return *m_stopTimers[&kind - kKindTable];
}

WallTimer* EntryHandlers::stopTimer(const QString& letter) const
{
    const Kind* kind = findKind(letter);
    return kind ? &timer(*kind) : nullptr;
}

QString EntryHandlers::currentLine() const
{
    return m_settings.text(key::SCEdit10);
}

bool EntryHandlers::startCurrentEntry(Caller caller)
{
    const Kind* kind = findKind(scheduleline::contentLetter(currentLine()));
    if (!kind)
        return false;
    submit("startCurrentEntry", *kind, true, std::move(caller));
    return true;
}

bool EntryHandlers::startCurrentEntry(const Job& job, Next next)
{
    const Kind* kind = findKind(scheduleline::contentLetter(currentLine()));
    if (!kind) {
        next();
        return false;
    }
    startEntry(job, *kind, std::move(next));
    return true;
}

void EntryHandlers::submit(const char* name, const Kind& kind, bool start, Caller caller)
{
    m_serializer.start(
        QString::fromLatin1(name),
        [this, &kind, start](const Job& job) {
            const Next finish = [job] { job.finish(); };
            if (start)
                startEntry(job, kind, finish);
            else
                stopEntry(job, kind, finish);
        },
        std::move(caller), false);
}

void EntryHandlers::startEntry(const Job& job, const Kind& kind, Next next)
{
    if (kind.letter == 's')
        startString(job, std::move(next));
    else
        startPlayerEntry(job, kind, std::move(next));
}

void EntryHandlers::showTimes(const Kind& kind)
{
    const QString line = currentLine();
    const QDateTime now = m_clock.now();
    m_settings.setText(kind.fields->start, now.toString(u"dd.MM.yyyy hh:mm:ss"));
    const QDateTime stop = scheduleline::stopAtStart(line, now.date().year()).toDateTime();
    m_entryDurationMs = now.msecsTo(stop);
    m_settings.setText(kind.fields->duration, spanText(m_entryDurationMs));
    m_settings.setText(kind.fields->stop, stop.time().toString(u"hh:mm:ss"));
}

void EntryHandlers::armStop(WallTimer& timer)
{
    // A stop before the start gives a negative span: the content is stopped at once.
    timer.setInterval(qMax<qint64>(0, m_entryDurationMs));
    timer.start();
}

void EntryHandlers::beep(const Job& job, const char* box, const char* toneField, Next next)
{
    if (!m_settings.checked(box)) {
        next();
        return;
    }
    const int frequencyHz = strToInt(m_settings.text(toneField));
    const int durationMs = strToInt(m_settings.text(key::SCEdit73));
    m_devices.tones.MyBEEP(frequencyHz, durationMs,
                           job.resume([alive = std::weak_ptr<int>(m_alive), next] {
                               if (!alive.expired())
                                   next();
                           }));
}

void EntryHandlers::pin(const char* box, const char* pinField, int state)
{
    if (m_settings.checked(box))
        m_devices.pins.lptonoff(m_settings.spin(pinField), state);
}

void EntryHandlers::logStop(QChar letter)
{
    m_log.write(QStringLiteral("stop"), letter + u' ' + m_stopCode);
}

// ---- the ticker text ----

void EntryHandlers::startString(const Job& job, Next next)
{
    const Kind& kind = kindOf('s');
    const QString line = currentLine();
    const QString slot = scheduleline::slotDigit(line);
    const QString mode = scheduleline::stopMode(line);
    m_settings.setText(kind.fields->slot, slot);
    showTimes(kind);
    armStop(timer(kind));
    // What follows the switch of the strip, once the block is in place.
    auto rest = [this, &kind, job, mode, next] {
        m_stopCode = u's' + mode;
        m_devices.ticker.StartRunStringThread();
        beep(job, kind.startTone->box, kind.startTone->frequency, [this, &kind, next] {
            pin(kind.pin->box, kind.pin->number, 1);
            m_devices.ticker.setWorkLabel(kWorking);
            next();
        });
    };
    // A parked text ("sz") goes on with its lines; nothing is loaded.
    if (m_stopCode == u"sz") {
        rest();
        return;
    }
    m_stopCode = u's' + mode;
    // The strip is stopped and started again at the switch: while the new block is read, the
    // announcements on the strip go on moving.
    auto switchOn = [this, rest](const QString& failure) {
        try {
            m_devices.ticker.setTickerRunning(false);
            m_devices.ticker.setResumeLine(0);
            if (!failure.isEmpty())
                throw Failure(failure);
            m_devices.ticker.setTickerRunning(true);
            m_devices.ticker.ApplyTickerWindow();
            if (m_devices.clockRedraw)
                m_devices.clockRedraw();
        } catch (...) {
            m_log.write(QStringLiteral("error"), currentExceptionText());
            m_notifier.message(kStringLoadFailed);
        }
        rest();
    };
    QString name;
    try {
        // Any number outside 0 to 9 loads nothing.
        name = SlotTable::text(m_settings, u's', strToInt(slot));
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
        m_notifier.message(kStringLoadFailed);
        m_devices.ticker.setTickerRunning(false);
        m_devices.ticker.setResumeLine(0);
        rest();
        return;
    }
    if (name.isEmpty()) {
        switchOn(QString());
        return;
    }
    m_settings.setText(key::SCEdit5, name);
    // The block is read off the user-interface thread; the strip is switched when it is in
    // place, and the handler goes on from there.
    auto failure = std::make_shared<QString>();
    const auto resume = job.resume([alive = std::weak_ptr<int>(m_alive), failure, switchOn] {
        if (!alive.expired())
            switchOn(*failure);
    });
    m_devices.block.loadTickerFileLater(name, m_clock.now(),
                                        [failure, resume](const QString& error) {
                                            *failure = error;
                                            resume();
                                        });
}

void EntryHandlers::stopString(const Job& job, Next next)
{
    const Kind& kind = kindOf('s');
    logStop(u's');
    timer(kind).stop();
    for (const char* field : {kind.fields->slot, kind.fields->duration, kind.fields->stop})
        m_settings.setText(field, QString());
    // A park ("sz") stops the same way; it differs only at the next string start.
    m_devices.ticker.StopTicker();
    beep(job, kind.stopTone->box, kind.stopTone->frequency, [this, &kind, next] {
        pin(kind.pin->box, kind.pin->number, 0);
        next();
    });
}

// ---- the players ----

void EntryHandlers::startPlayerEntry(const Job& job, const Kind& kind, Next next)
{
    const QString line = currentLine();
    // The k and b starts choose the clip player first.
    m_devices.players.playerChoice().started(QLatin1Char(kind.letter));
    m_settings.setText(kind.fields->slot, scheduleline::slotDigit(line));
    showTimes(kind);
    armStop(timer(kind));
    m_contentKind = QString::fromLatin1(kind.contentKind);
    m_stopCode = QLatin1Char(kind.letter) + scheduleline::stopMode(line);
    m_devices.ticker.setWorkLabel(kWorking);
    Next rest = [this, &kind, line, next] {
        if (kind.pin)
            pin(kind.pin->box, kind.pin->number, 1);
        // The output is muted before the capture starts, and stays muted when its start fails.
        if (kind.mutes)
            m_devices.broadcast.broadcastStarting(m_settings);
        PlayerRequest request =
            playerrequests::resolve(m_settings, m_notifier, QLatin1Char(kind.letter), line);
        request.planLine = line;
        m_devices.players.start(request);
        if (kind.tickerToFront)
            m_devices.ticker.bringToFront();
        next();
    };
    if (kind.startTone)
        beep(job, kind.startTone->box, kind.startTone->frequency, std::move(rest));
    else
        rest();
}

void EntryHandlers::stopPlayerEntry(const Job& job, const Kind& kind, Next next)
{
    const QChar letter = QLatin1Char(kind.letter);
    logStop(letter);
    timer(kind).stop();
    if (kind.stopEmptiesFields)
        for (const char* field : {key::SCEditn1, key::SCEditn2, key::SCEditn3, key::SCEditn8})
            m_settings.setText(field, QString());
    if (kind.mutes)
        m_devices.broadcast.broadcastStopping(m_settings);
    Next rest = [this, &kind, letter, next] {
        if (kind.pin && kind.pinDropsAtStop)
            pin(kind.pin->box, kind.pin->number, 0);
        const bool park = kind.parks && m_stopCode == QString(letter) + u'z';
        try {
            if (park)
                m_devices.players.park(letter);
            else if (nextStartFollows(letter))
                m_devices.players.handOver(letter);
            else
                m_devices.players.stop(letter);
        } catch (...) {
            if (!kind.stopIgnoresFailures)
                throw;
            m_log.write(QStringLiteral("error"), currentExceptionText());
        }
        next();
    };
    if (kind.stopTone)
        beep(job, kind.stopTone->box, kind.stopTone->frequency, std::move(rest));
    else
        rest();
}

bool EntryHandlers::nextStartFollows(QChar letter) const
{
    // The armed line: the next start of the plan, while the dispatcher runs.
    const QString line = currentLine();
    if (scheduleline::contentLetter(line) != QString(letter))
        return false;
    const QDateTime now = m_clock.now();
    const std::optional<scheduleline::LocalStamp> start = scheduleline::tryParseStamp(
        QStringView(line).left(scheduleline::kDateTimeLength), now.date().year());
    if (!start)
        return false;
    // On the stop's second or the one after it (the stop timer may fire late or early); a
    // start further back is the line already executed, which the dispatcher shows when the
    // plan has run out.
    const qint64 wait = now.msecsTo(start->toDateTime());
    return wait >= -kNextStartLateMs && wait <= kNextStartFollowsMs;
}

void EntryHandlers::stopEntry(const Job& job, const Kind& kind, Next next)
{
    if (kind.letter == 's')
        stopString(job, std::move(next));
    else
        stopPlayerEntry(job, kind, std::move(next));
}

// ---- the operations by name ----

void EntryHandlers::StartStringEntry(Caller caller)
{
    submit("StartStringEntry", kindOf('s'), true, std::move(caller));
}

void EntryHandlers::StartClipEntry(Caller caller)
{
    submit("StartClipEntry", kindOf('k'), true, std::move(caller));
}

void EntryHandlers::StartBSPlayerEntry(Caller caller)
{
    submit("StartBSPlayerEntry", kindOf('b'), true, std::move(caller));
}

void EntryHandlers::StartSlideShowEntry(Caller caller)
{
    submit("StartSlideShowEntry", kindOf('p'), true, std::move(caller));
}

void EntryHandlers::StartFlashEntry(Caller caller)
{
    submit("StartFlashEntry", kindOf('f'), true, std::move(caller));
}

void EntryHandlers::StartWebEntry(Caller caller)
{
    submit("StartWebEntry", kindOf('w'), true, std::move(caller));
}

void EntryHandlers::StartBroadcastEntry(Caller caller)
{
    submit("StartBroadcastEntry", kindOf('t'), true, std::move(caller));
}

void EntryHandlers::StopStringEntry(Caller caller)
{
    submit("StopStringEntry", kindOf('s'), false, std::move(caller));
}

void EntryHandlers::StopClipEntry(Caller caller)
{
    submit("StopClipEntry", kindOf('k'), false, std::move(caller));
}

void EntryHandlers::StopBSPlayerEntry(Caller caller)
{
    submit("StopBSPlayerEntry", kindOf('b'), false, std::move(caller));
}

void EntryHandlers::StopPPT(Caller caller)
{
    submit("StopPPT", kindOf('p'), false, std::move(caller));
}

void EntryHandlers::StopFlashEntry(Caller caller)
{
    submit("StopFlashEntry", kindOf('f'), false, std::move(caller));
}

void EntryHandlers::HideWebWindow(Caller caller)
{
    submit("HideWebWindow", kindOf('w'), false, std::move(caller));
}

void EntryHandlers::StopBroadcastEntry(Caller caller)
{
    submit("StopBroadcastEntry", kindOf('t'), false, std::move(caller));
}

void EntryHandlers::disableStringAndClipStops()
{
    timer(kindOf('s')).stop();
    timer(kindOf('k')).stop();
}

}  // namespace velumo
