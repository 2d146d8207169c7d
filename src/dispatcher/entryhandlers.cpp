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

using Kind = EntryHandlers::Kind;

// A row that is in the table.
const Kind& kindOf(char16_t letter)
{
    return Kind::of(QChar(letter));
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
    for (const Kind& kind : Kind::all()) {
        m_stopTimers.push_back(
            std::make_unique<WallTimer>(QString::fromLatin1(kind.stopTimer), timers, clock, &log));
        WallTimer& stop = *m_stopTimers.back();
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
    // Content whose own end ends its entry (a slide show that has shown its last slide) ends it
    // as its stop timer would. Queued:
    // the stop then does not run inside the player's own report.
    connectGuarded(
        &m_devices.players, &ContentPlayers::entryEnded, &m_context,
        Origin::unattended(QStringLiteral("entryhandlers")),
        [this](QChar letter) {
            const Kind* kind = Kind::find(letter);
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
                       const Kind* kind = Kind::find(letter);
                       if (kind && kind->tickerToFront)
                           m_devices.ticker.bringToFront();
                   });
}

EntryHandlers::~EntryHandlers() = default;

WallTimer& EntryHandlers::timer(const Kind& kind) const
{
    return *m_stopTimers[Kind::indexOf(kind)];
}

WallTimer* EntryHandlers::stopTimer(const QString& letter) const
{
    const Kind* kind = Kind::find(letter);
    return kind ? &timer(*kind) : nullptr;
}

QString EntryHandlers::currentLine() const
{
    return m_settings.text(key::SCEdit10);
}

bool EntryHandlers::startCurrentEntry(Caller caller)
{
    const Kind* kind = Kind::find(scheduleline::contentLetter(currentLine()));
    if (!kind)
        return false;
    submit("startCurrentEntry", *kind, true, std::move(caller));
    return true;
}

bool EntryHandlers::startCurrentEntry(const Job& job, Next next)
{
    const Kind* kind = Kind::find(scheduleline::contentLetter(currentLine()));
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
    if (!kind.hasPlayer)
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
    const Kind& kind = kindOf(kinds::kTickerText);
    const QChar letter = kind.qLetter();
    const QString line = currentLine();
    const QString slot = scheduleline::slotDigit(line);
    const QString mode = scheduleline::stopMode(line);
    m_settings.setText(kind.fields->slot, slot);
    showTimes(kind);
    armStop(timer(kind));
    // What follows the switch of the strip, once the block is in place.
    auto rest = [this, &kind, job, letter, mode, next] {
        m_stopCode = letter + mode;
        m_devices.ticker.StartRunStringThread();
        beep(job, kind.startTone->box, kind.startTone->frequency, [this, &kind, next] {
            pin(kind.pin->box, kind.pin->number, 1);
            m_devices.ticker.setWorkLabel(kWorking);
            next();
        });
    };
    // A parked text ("sz") goes on with its lines; nothing is loaded.
    if (m_stopCode == letter + u'z') {
        rest();
        return;
    }
    m_stopCode = letter + mode;
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
        name = SlotTable::text(m_settings, letter, strToInt(slot));
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
    const Kind& kind = kindOf(kinds::kTickerText);
    logStop(kind.qLetter());
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
    m_devices.players.playerChoice().started(kind.qLetter());
    m_settings.setText(kind.fields->slot, scheduleline::slotDigit(line));
    showTimes(kind);
    armStop(timer(kind));
    m_contentKind = QString::fromUtf8(kind.entryKind);
    m_stopCode = kind.qLetter() + scheduleline::stopMode(line);
    m_devices.ticker.setWorkLabel(kWorking);
    Next rest = [this, &kind, line, next] {
        if (kind.pin)
            pin(kind.pin->box, kind.pin->number, 1);
        // The output is muted before the capture starts, and stays muted when its start fails.
        if (kind.mutes)
            m_devices.broadcast.broadcastStarting(m_settings);
        PlayerRequest request =
            playerrequests::resolve(m_settings, m_notifier, kind.qLetter(), line);
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
    const QChar letter = kind.qLetter();
    logStop(letter);
    timer(kind).stop();
    if (kind.stopEmptiesFields)
        for (const char* field :
             {kind.fields->slot, kind.fields->duration, kind.fields->stop, kind.fields->start})
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
    if (!kind.hasPlayer)
        stopString(job, std::move(next));
    else
        stopPlayerEntry(job, kind, std::move(next));
}

// ---- the operations by name ----

void EntryHandlers::submitStart(char16_t letter, Caller caller)
{
    const Kind& kind = kindOf(letter);
    submit(kind.startHandler, kind, true, std::move(caller));
}

void EntryHandlers::submitStop(char16_t letter, Caller caller)
{
    const Kind& kind = kindOf(letter);
    submit(kind.stopHandler, kind, false, std::move(caller));
}

void EntryHandlers::StartStringEntry(Caller caller)
{
    submitStart(kinds::kTickerText, std::move(caller));
}

void EntryHandlers::StartClipEntry(Caller caller)
{
    submitStart(kinds::kClip, std::move(caller));
}

void EntryHandlers::StartBSPlayerEntry(Caller caller)
{
    submitStart(kinds::kExternal, std::move(caller));
}

void EntryHandlers::StartSlideShowEntry(Caller caller)
{
    submitStart(kinds::kSlideShow, std::move(caller));
}

void EntryHandlers::StartFlashEntry(Caller caller)
{
    submitStart(kinds::kFlash, std::move(caller));
}

void EntryHandlers::StartWebEntry(Caller caller)
{
    submitStart(kinds::kWeb, std::move(caller));
}

void EntryHandlers::StartBroadcastEntry(Caller caller)
{
    submitStart(kinds::kCapture, std::move(caller));
}

void EntryHandlers::StopStringEntry(Caller caller)
{
    submitStop(kinds::kTickerText, std::move(caller));
}

void EntryHandlers::StopClipEntry(Caller caller)
{
    submitStop(kinds::kClip, std::move(caller));
}

void EntryHandlers::StopBSPlayerEntry(Caller caller)
{
    submitStop(kinds::kExternal, std::move(caller));
}

void EntryHandlers::StopPPT(Caller caller)
{
    submitStop(kinds::kSlideShow, std::move(caller));
}

void EntryHandlers::StopFlashEntry(Caller caller)
{
    submitStop(kinds::kFlash, std::move(caller));
}

void EntryHandlers::HideWebWindow(Caller caller)
{
    submitStop(kinds::kWeb, std::move(caller));
}

void EntryHandlers::StopBroadcastEntry(Caller caller)
{
    submitStop(kinds::kCapture, std::move(caller));
}

void EntryHandlers::disableStringAndClipStops()
{
    timer(kindOf(kinds::kTickerText)).stop();
    timer(kindOf(kinds::kClip)).stop();
}

}  // namespace velumo
