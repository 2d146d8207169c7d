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
            m_serializer.run(stop.name(), [this, &kind] { stopEntry(kind); });
        });
    }
    // A slide show that has shown its last slide ends its entry as its stop timer would. Queued:
    // the stop then does not run inside the player's own report.
    QObject::connect(
        &m_devices.players, &ContentPlayers::entryEnded, &m_context,
        [this](QChar letter) {
            const Kind* kind = findKind(QString(letter));
            if (kind)
                m_serializer.run(timer(*kind).name(), [this, kind] { stopEntry(*kind); });
        },
        Qt::QueuedConnection);
    // The content's window may open well after its start (a slide show converts its file
    // first, a movie loads): the ticker is brought to the front again over the new window.
    QObject::connect(&m_devices.players, &ContentPlayers::contentOnScreen, &m_context,
                     [this](QChar letter) {
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

bool EntryHandlers::startCurrentEntry()
{
    const Kind* kind = findKind(scheduleline::contentLetter(currentLine()));
    if (!kind)
        return false;
    if (kind->letter == 's')
        StartStringEntry();
    else
        startPlayerEntry(*kind);
    return true;
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

void EntryHandlers::beep(const char* box, const char* toneField)
{
    if (!m_settings.checked(box))
        return;
    const int frequencyHz = strToInt(m_settings.text(toneField));
    const int durationMs = strToInt(m_settings.text(key::SCEdit73));
    m_devices.tones.MyBEEP(frequencyHz, durationMs);
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

void EntryHandlers::StartStringEntry()
{
    const Kind& kind = kindOf('s');
    const QString line = currentLine();
    const QString slot = scheduleline::slotDigit(line);
    const QString mode = scheduleline::stopMode(line);
    m_settings.setText(kind.fields->slot, slot);
    showTimes(kind);
    armStop(timer(kind));
    // A parked text ("sz") goes on with its lines; nothing is loaded.
    if (m_stopCode != u"sz") {
        TickerControl& ticker = m_devices.ticker;
        ticker.setTickerRunning(false);
        ticker.setResumeLine(0);
        m_stopCode = u's' + mode;
        try {
            // Any number outside 0 to 9 loads nothing.
            const QString name = SlotTable::text(m_settings, u's', strToInt(slot));
            if (!name.isEmpty()) {
                m_settings.setText(key::SCEdit5, name);
                m_devices.block.LoadTickerFile(name, m_clock.now());
            }
            ticker.setTickerRunning(true);
            ticker.ApplyTickerWindow();
            if (m_devices.clockRedraw)
                m_devices.clockRedraw();
        } catch (...) {
            m_log.write(QStringLiteral("error"), currentExceptionText());
            m_notifier.message(kStringLoadFailed);
        }
    }
    m_stopCode = u's' + mode;
    m_devices.ticker.StartRunStringThread();
    beep(kind.startTone->box, kind.startTone->frequency);
    pin(kind.pin->box, kind.pin->number, 1);
    m_devices.ticker.setWorkLabel(kWorking);
}

void EntryHandlers::StopStringEntry()
{
    const Kind& kind = kindOf('s');
    logStop(u's');
    timer(kind).stop();
    for (const char* field : {kind.fields->slot, kind.fields->duration, kind.fields->stop})
        m_settings.setText(field, QString());
    // A park ("sz") stops the same way; it differs only at the next string start.
    m_devices.ticker.StopTicker();
    beep(kind.stopTone->box, kind.stopTone->frequency);
    pin(kind.pin->box, kind.pin->number, 0);
}

// ---- the players ----

void EntryHandlers::startPlayerEntry(const Kind& kind)
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
    if (kind.startTone)
        beep(kind.startTone->box, kind.startTone->frequency);
    if (kind.pin)
        pin(kind.pin->box, kind.pin->number, 1);
    // The output is muted before the capture starts, and stays muted when its start fails.
    if (kind.mutes)
        m_devices.broadcast.broadcastStarting(m_settings);
    m_devices.players.start(
        playerrequests::resolve(m_settings, m_notifier, QLatin1Char(kind.letter), line));
    if (kind.tickerToFront)
        m_devices.ticker.bringToFront();
}

void EntryHandlers::stopPlayerEntry(const Kind& kind)
{
    const QChar letter = QLatin1Char(kind.letter);
    logStop(letter);
    timer(kind).stop();
    if (kind.stopEmptiesFields)
        for (const char* field : {key::SCEditn1, key::SCEditn2, key::SCEditn3, key::SCEditn8})
            m_settings.setText(field, QString());
    if (kind.mutes)
        m_devices.broadcast.broadcastStopping(m_settings);
    if (kind.stopTone)
        beep(kind.stopTone->box, kind.stopTone->frequency);
    if (kind.pin && kind.pinDropsAtStop)
        pin(kind.pin->box, kind.pin->number, 0);
    const bool park = kind.parks && m_stopCode == QString(letter) + u'z';
    try {
        if (park)
            m_devices.players.park(letter);
        else
            m_devices.players.stop(letter);
    } catch (...) {
        if (!kind.stopIgnoresFailures)
            throw;
        m_log.write(QStringLiteral("error"), currentExceptionText());
    }
}

void EntryHandlers::stopEntry(const Kind& kind)
{
    if (kind.letter == 's')
        StopStringEntry();
    else
        stopPlayerEntry(kind);
}

// ---- the operations by name ----

void EntryHandlers::StartClipEntry()
{
    startPlayerEntry(kindOf('k'));
}

void EntryHandlers::StartBSPlayerEntry()
{
    startPlayerEntry(kindOf('b'));
}

void EntryHandlers::StartSlideShowEntry()
{
    startPlayerEntry(kindOf('p'));
}

void EntryHandlers::StartFlashEntry()
{
    startPlayerEntry(kindOf('f'));
}

void EntryHandlers::StartWebEntry()
{
    startPlayerEntry(kindOf('w'));
}

void EntryHandlers::StartBroadcastEntry()
{
    startPlayerEntry(kindOf('t'));
}

void EntryHandlers::StopClipEntry()
{
    stopPlayerEntry(kindOf('k'));
}

void EntryHandlers::StopBSPlayerEntry()
{
    stopPlayerEntry(kindOf('b'));
}

void EntryHandlers::StopPPT()
{
    stopPlayerEntry(kindOf('p'));
}

void EntryHandlers::StopFlashEntry()
{
    stopPlayerEntry(kindOf('f'));
}

void EntryHandlers::HideWebWindow()
{
    stopPlayerEntry(kindOf('w'));
}

void EntryHandlers::StopBroadcastEntry()
{
    stopPlayerEntry(kindOf('t'));
}

void EntryHandlers::disableStringAndClipStops()
{
    timer(kindOf('s')).stop();
    timer(kindOf('k')).stop();
}

}  // namespace velumo
