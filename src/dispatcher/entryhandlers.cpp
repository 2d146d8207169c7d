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
#include "dispatcher/scheduleline.h"
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

// The ticker file fields of slots 1 to 9 and 0.
constexpr const char* kStringSlots[] = {key::SCEdit68, key::SCEdit59, key::SCEdit60, key::SCEdit61,
                                        key::SCEdit62, key::SCEdit63, key::SCEdit64, key::SCEdit65,
                                        key::SCEdit66, key::SCEdit67};

}  // namespace

EntryHandlers::EntryHandlers(Settings& settings, Notifier& notifier, EventLog& log,
                             const Clock& clock, TimerFactory& timers, EntryDevices devices)
    : m_settings(settings),
      m_notifier(notifier),
      m_log(log),
      m_clock(clock),
      m_devices(std::move(devices))
{
    auto make = [&](const char* name) {
        return std::make_unique<WallTimer>(QString::fromLatin1(name), timers, clock, &log);
    };
    m_timer1stops = make("Timer1stops");
    m_timer1stopk = make("Timer1stopk");
    m_timerStopB = make("TimerStopB");
    m_timerStopPPT = make("TimerStopPPT");
    m_timer1StopF = make("Timer1StopF");
    m_timer1stopw = make("Timer1stopw");
    m_timerstoptt = make("Timerstoptt");
    bindStop(*m_timer1stops, &EntryHandlers::StopStringEntry);
    bindStop(*m_timer1stopk, &EntryHandlers::StopClipEntry);
    bindStop(*m_timerStopB, &EntryHandlers::StopBSPlayerEntry);
    bindStop(*m_timerStopPPT, &EntryHandlers::StopPPT);
    bindStop(*m_timer1StopF, &EntryHandlers::StopFlashEntry);
    bindStop(*m_timer1stopw, &EntryHandlers::HideWebWindow);
    bindStop(*m_timerstoptt, &EntryHandlers::StopBroadcastEntry);
}

EntryHandlers::~EntryHandlers() = default;

void EntryHandlers::bindStop(WallTimer& timer, void (EntryHandlers::*handler)())
{
    timer.setHandler([this, &timer, handler] {
        // One-shot: the timer is disabled before anything can fail, so a failing stop is
        // reported once and not again at every interval.
        timer.stop();
        guarded(m_notifier, [this, handler] { (this->*handler)(); });
    });
}

WallTimer* EntryHandlers::stopTimer(const QString& letter) const
{
    if (letter == u"s")
        return m_timer1stops.get();
    if (letter == u"k")
        return m_timer1stopk.get();
    if (letter == u"b")
        return m_timerStopB.get();
    if (letter == u"p")
        return m_timerStopPPT.get();
    if (letter == u"f")
        return m_timer1StopF.get();
    if (letter == u"w")
        return m_timer1stopw.get();
    if (letter == u"t")
        return m_timerstoptt.get();
    return nullptr;
}

QString EntryHandlers::currentLine() const
{
    return m_settings.text(key::SCEdit10);
}

bool EntryHandlers::startCurrentEntry()
{
    const QString letter = scheduleline::contentLetter(currentLine());
    if (letter == u"s")
        StartStringEntry();
    else if (letter == u"k")
        StartClipEntry();
    else if (letter == u"b")
        StartBSPlayerEntry();
    else if (letter == u"p")
        StartSlideShowEntry();
    else if (letter == u"f")
        StartFlashEntry();
    else if (letter == u"w")
        StartWebEntry();
    else if (letter == u"t")
        StartBroadcastEntry();
    else
        return false;
    return true;
}

void EntryHandlers::showTimes(const char* startField, const char* durationField,
                              const char* stopField)
{
    const QString line = currentLine();
    const QDateTime now = m_clock.now();
    m_settings.setText(startField, now.toString(u"dd.MM.yyyy hh:mm:ss"));
    const QDateTime stop = scheduleline::stopAtStart(line, now.date().year()).toDateTime();
    m_entryDurationMs = now.msecsTo(stop);
    m_settings.setText(durationField, spanText(m_entryDurationMs));
    m_settings.setText(stopField, stop.time().toString(u"hh:mm:ss"));
}

void EntryHandlers::ShowClipTimes()
{
    showTimes(key::SCEditn8, key::SCEditn2, key::SCEditn3);
}

void EntryHandlers::ShowStringTimes()
{
    showTimes(key::SCEditn9, key::SCEditn5, key::SCEditn6);
}

void EntryHandlers::armStop(WallTimer& timer)
{
    // A stop before the start gives a negative span: the content is stopped at once.
    timer.setInterval(qMax<qint64>(0, m_entryDurationMs));
    timer.start();
}

void EntryHandlers::beep(const char* toneField)
{
    const int frequencyHz = strToInt(m_settings.text(toneField));
    const int durationMs = strToInt(m_settings.text(key::SCEdit73));
    m_devices.tones.MyBEEP(frequencyHz, durationMs);
}

void EntryHandlers::pin(const char* pinField, int state)
{
    m_devices.pins.lptonoff(m_settings.spin(pinField), state);
}

void EntryHandlers::emptyClipFields()
{
    for (const char* field : {key::SCEditn1, key::SCEditn2, key::SCEditn3, key::SCEditn8})
        m_settings.setText(field, QString());
}

void EntryHandlers::logStop(const QString& letter)
{
    m_log.write(QStringLiteral("stop"), letter + u' ' + m_stopCode);
}

// ---- starts ----

void EntryHandlers::StartStringEntry()
{
    const QString line = currentLine();
    const QString slot = scheduleline::slotDigit(line);
    const QString mode = scheduleline::stopMode(line);
    m_settings.setText(key::SCEditn4, slot);
    ShowStringTimes();
    armStop(*m_timer1stops);
    // A parked text ("sz") goes on with its lines; nothing is loaded.
    if (m_stopCode != u"sz") {
        TickerControl& ticker = m_devices.ticker;
        ticker.setTickerRunning(false);
        ticker.setResumeLine(0);
        m_stopCode = u's' + mode;
        try {
            const int number = strToInt(slot);
            if (number >= 0 && number <= 9) {
                const QString name = m_settings.text(kStringSlots[number]);
                if (!name.isEmpty()) {
                    m_settings.setText(key::SCEdit5, name);
                    m_devices.block.LoadTickerFile(name, m_clock.now());
                }
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
    if (m_settings.checked(key::SCCheckBox4))
        beep(key::SCEdit69);
    if (m_settings.checked(key::SCCheckBox2))
        pin(key::SpinEdit9, 1);
    m_devices.ticker.setWorkLabel(kWorking);
}

void EntryHandlers::StartClipEntry()
{
    const QString line = currentLine();
    const QString slot = scheduleline::slotDigit(line);
    m_playerChoice = 0;
    m_settings.setText(key::SCEditn1, slot);
    ShowClipTimes();
    m_timer1stopk->setInterval(qMax<qint64>(0, m_entryDurationMs));
    m_contentKind = contentKindName(PlayerKind::Clip);
    m_stopCode = u'k' + scheduleline::stopMode(line);
    m_timer1stopk->start();
    m_devices.ticker.setWorkLabel(kWorking);
    if (m_settings.checked(key::SCCheckBox1))
        beep(key::SCEdit71);
    if (m_settings.checked(key::SCCheckBox8))
        pin(key::SpinEdit10, 1);
    m_devices.players.start(PlayerKind::Clip, slot);
    m_devices.ticker.bringToFront();
}

void EntryHandlers::StartBSPlayerEntry()
{
    const QString line = currentLine();
    const QString slot = scheduleline::slotDigit(line);
    m_playerChoice = 1;
    m_settings.setText(key::SCEditn1, slot);
    ShowClipTimes();
    m_timerStopB->setInterval(qMax<qint64>(0, m_entryDurationMs));
    m_contentKind = contentKindName(PlayerKind::BSPlayer);
    m_stopCode = u'b' + scheduleline::stopMode(line);
    m_timerStopB->start();
    m_devices.ticker.setWorkLabel(kWorking);
    m_devices.players.start(PlayerKind::BSPlayer, slot);
    m_devices.ticker.bringToFront();
}

void EntryHandlers::StartSlideShowEntry()
{
    const QString line = currentLine();
    m_settings.setText(key::SCEditn1, scheduleline::slotDigit(line));
    ShowClipTimes();
    armStop(*m_timerStopPPT);
    m_contentKind = contentKindName(PlayerKind::SlideShow);
    m_stopCode = u'p' + scheduleline::stopMode(line);
    m_devices.ticker.setWorkLabel(kWorking);
    if (m_settings.checked(key::SCCheckBox1))
        beep(key::SCEdit71);
    if (m_settings.checked(key::SCCheckBox8))
        pin(key::SpinEdit10, 1);
    m_devices.players.start(PlayerKind::SlideShow, m_settings.text(key::SCEditn1));
    m_devices.ticker.bringToFront();
}

void EntryHandlers::StartFlashEntry()
{
    const QString line = currentLine();
    m_settings.setText(key::SCEditn1, scheduleline::slotDigit(line));
    ShowClipTimes();
    armStop(*m_timer1StopF);
    m_contentKind = contentKindName(PlayerKind::Flash);
    m_stopCode = u'f' + scheduleline::stopMode(line);
    m_devices.ticker.setWorkLabel(kWorking);
    m_devices.players.start(PlayerKind::Flash, m_settings.text(key::SCEditn1).trimmed());
    m_devices.ticker.bringToFront();
}

void EntryHandlers::StartWebEntry()
{
    const QString line = currentLine();
    m_settings.setText(key::SCEditn1, scheduleline::slotDigit(line));
    ShowClipTimes();
    armStop(*m_timer1stopw);
    m_contentKind = contentKindName(PlayerKind::Web);
    m_stopCode = u'w' + scheduleline::stopMode(line);
    m_devices.ticker.setWorkLabel(kWorking);
    // The web page stays in front of the ticker.
    m_devices.players.start(PlayerKind::Web, m_settings.text(key::SCEditn1));
}

void EntryHandlers::StartBroadcastEntry()
{
    const QString line = currentLine();
    m_settings.setText(key::SCEditn1, scheduleline::slotDigit(line));
    ShowClipTimes();
    armStop(*m_timerstoptt);
    m_contentKind = contentKindName(PlayerKind::Capture);
    m_stopCode = u't' + scheduleline::stopMode(line);
    m_devices.ticker.setWorkLabel(kWorking);
    m_devices.players.start(PlayerKind::Capture, m_settings.text(key::SCEditn1));
    if (m_settings.checked(key::SCCheckbox25)) {
        m_devices.broadcast.setBroadcastMuted(true);
        m_devices.broadcast.masterMute().SetMasterMuteValue(true);
    }
    m_devices.ticker.bringToFront();
}

// ---- stops ----

void EntryHandlers::StopStringEntry()
{
    logStop(QStringLiteral("s"));
    m_timer1stops->stop();
    for (const char* field : {key::SCEditn4, key::SCEditn5, key::SCEditn6})
        m_settings.setText(field, QString());
    // A park ("sz") stops the same way; it differs only at the next string start.
    m_devices.ticker.StopTicker();
    if (m_settings.checked(key::SCCheckBox5))
        beep(key::SCEdit70);
    if (m_settings.checked(key::SCCheckBox2))
        pin(key::SpinEdit9, 0);
}

void EntryHandlers::StopClipEntry()
{
    logStop(QStringLiteral("k"));
    m_timer1stopk->stop();
    emptyClipFields();
    if (m_settings.checked(key::SCCheckBox3))
        beep(key::SCEdit72);
    if (m_settings.checked(key::SCCheckBox8))
        pin(key::SpinEdit10, 0);
    if (m_stopCode == u"kz")
        m_devices.players.park(PlayerKind::Clip);
    else
        m_devices.players.stop(PlayerKind::Clip);
}

void EntryHandlers::StopBSPlayerEntry()
{
    logStop(QStringLiteral("b"));
    m_timerStopB->stop();
    emptyClipFields();
    if (m_stopCode == u"bz")
        m_devices.players.park(PlayerKind::BSPlayer);
    else
        m_devices.players.stop(PlayerKind::BSPlayer);
}

void EntryHandlers::StopPPT()
{
    logStop(QStringLiteral("p"));
    m_timerStopPPT->stop();
    emptyClipFields();
    if (m_stopCode == u"pz")
        m_devices.players.park(PlayerKind::SlideShow);
    else
        m_devices.players.stop(PlayerKind::SlideShow);
}

void EntryHandlers::StopFlashEntry()
{
    logStop(QStringLiteral("f"));
    // Whatever fails here is of no consequence: the movie is gone either way.
    try {
        m_devices.players.stop(PlayerKind::Flash);
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
    }
    m_timer1StopF->stop();
}

void EntryHandlers::HideWebWindow()
{
    logStop(QStringLiteral("w"));
    m_timer1stopw->stop();
    m_devices.players.stop(PlayerKind::Web);
}

void EntryHandlers::StopBroadcastEntry()
{
    logStop(QStringLiteral("t"));
    m_timerstoptt->stop();
    if (m_devices.broadcast.BroadcastMuted() && m_settings.checked(key::SCCheckbox25)) {
        m_devices.broadcast.setBroadcastMuted(false);
        m_devices.broadcast.masterMute().SetMasterMuteValue(false);
    }
    m_devices.players.stop(PlayerKind::Capture);
}

void EntryHandlers::disableStringAndClipStops()
{
    m_timer1stops->stop();
    m_timer1stopk->stop();
}

}  // namespace velumo
