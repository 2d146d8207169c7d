#include "tickerengine.h"

#include <QPointer>
#include <climits>

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "base/wincolor.h"
#include "ticker/accessorygeometry.h"
#include "ticker/announcementpicture.h"
#include "ticker/playbacklog.h"
#include "ticker/tariffs.h"
#include "ticker/tickerblock.h"
#include "ticker/tickercompanions.h"
#include "ticker/tickerfont.h"

namespace velumo {

namespace {

QString lineOf(const QStringList& lines, int i)
{
    return i >= 0 && i < lines.size() ? lines[i] : QString();
}

// Index of the drawn character that holds the QChar at position pos.
qsizetype characterIndex(const QString& text, qsizetype pos)
{
    qsizetype k = 0;
    for (qsizetype i = 0; i < pos && i < text.size(); ++i)
        if (!(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++k;
    return k;
}

}  // namespace

TickerEngine::TickerEngine(Settings& settings, TickerBlock& block, PlaybackLog& log,
                           const Clock& clock, TimerFactory& timers, Notifier& notifier,
                           TickerCompanions& companions, EventLog* events, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_block(block),
      m_log(log),
      m_clock(clock),
      m_timers(timers),
      m_notifier(notifier),
      m_events(events),
      m_companions(companions)
{
}

TickerEngine::~TickerEngine() = default;

int TickerEngine::settingInt(const char* name, int fallback) const
{
    // A field emptied by hand must not stop the strip: the pass goes on with the design value.
    const QString text = m_settings.text(QString::fromLatin1(name));
    return strToIntDef(text, fallback);
}

void TickerEngine::logEvent(const QString& text)
{
    if (m_events)
        m_events->write(QStringLiteral("ticker"), text);
}

void TickerEngine::followAnnouncement(int left)
{
    if (!m_onStrip || !m_picture)
        return;
    if (m_onStrip->enteredMs < 0 && left < m_stripWidthPx)
        m_onStrip->enteredMs = m_clock.now().toMSecsSinceEpoch();
    if (m_onStrip->enteredMs >= 0 && m_picture->laidOut() && left + m_picture->placedWidth() <= 0)
        announcementLeft();
}

void TickerEngine::announcementLeft()
{
    if (!m_onStrip)
        return;
    const OnStrip shown = *m_onStrip;
    m_onStrip.reset();
    // One that never reached the strip was not shown.
    if (shown.enteredMs < 0 || !m_events)
        return;
    m_events->post(TickerEvent{shown.index, shown.tariff, shown.text, shown.enteredMs,
                               m_clock.now().toMSecsSinceEpoch()});
}

void TickerEngine::setTickerRunning(bool running)
{
    m_running = running;
    if (!running) {
        setOnAirLine(-1);
        announcementLeft();
    }
    if (!running && m_looping) {
        m_looping = false;
        if (m_frame)
            m_frame->stop();
        logEvent(QStringLiteral("stopped"));
        emit runningChanged(false);
    }
}

void TickerEngine::setOnAirLine(int line)
{
    if (line == m_onAirLine)
        return;
    m_onAirLine = line;
    emit onAirLineChanged(line);
}

void TickerEngine::setPanelPhrase(const QString& phrase)
{
    m_panelPhrase = phrase;
    m_panelPhrasePending = true;
}

void TickerEngine::announce(const QString& key, const QString& text)
{
    for (Priority& waiting : m_announcements)
        if (waiting.key == key) {
            waiting.text = text;
            return;
        }
    m_announcements.push_back({key, text});
}

void TickerEngine::hold(const QString& key, const QString& text)
{
    const bool was = m_hold && m_hold->key == m_priorityOnStrip;
    m_hold = Priority{key, text};
    if (m_priorityOnStrip.isEmpty()) {
        // The block's announcement it cuts off comes again afterwards.
        if (m_onAirLine >= 0)
            m_interruptedLine = m_onAirLine;
        requestCut();
    } else if (was && m_priorityOnStrip != key) {
        requestCut();
    }
    // An announcement on the strip goes on: announcements go before the hold's turn anyway.
}

void TickerEngine::takeOff(const QString& key)
{
    std::erase_if(m_announcements, [&](const Priority& p) { return p.key == key; });
    if (m_hold && m_hold->key == key)
        m_hold.reset();
    if (!key.isEmpty() && m_priorityOnStrip == key)
        requestCut();
}

void TickerEngine::requestCut()
{
    if (m_looping) {
        m_cutPending = true;
        return;
    }
    // Parked: a text taken off must not come back with the strip.
    if (!m_priorityOnStrip.isEmpty() && (!m_hold || m_hold->key != m_priorityOnStrip)) {
        m_picture.reset();
        m_priorityOnStrip.clear();
        if (m_view)
            m_view->setPicture(nullptr);
    }
}

void TickerEngine::cut(qint64 nowMs)
{
    m_carryOver = false;
    const bool priority = !m_announcements.empty() || m_hold;
    if (priority || m_block.loadsPending() == 0) {
        prepareNext(nowMs, leftAt(nowMs));
        return;
    }
    // The block being read comes next (see frame()); the strip is empty until it is in place.
    announcementLeft();
    m_picture.reset();
    m_priorityOnStrip.clear();
    if (m_view)
        m_view->setPicture(nullptr);
    rebase(nowMs, -kGapPx);
}

std::optional<TickerEngine::Priority> TickerEngine::takePriority()
{
    if (!m_announcements.empty()) {
        Priority next = std::move(m_announcements.front());
        m_announcements.pop_front();
        return next;
    }
    return m_hold;
}

void TickerEngine::showPriority(qint64 nowMs, int left, int startLeft, const Priority& priority)
{
    m_priorityOnStrip = priority.key;
    m_haltPending = false;
    const qint64 oldDelayMs = m_delayMs;
    m_style = m_baseStyle;
    m_delayMs = m_normalDelayMs;
    const bool transparent =
        m_haveLayout ? m_layout.transparent : m_settings.checked(key::SCCheckBox9);
    m_picture = std::make_shared<AnnouncementPicture>(priority.text + u' ', m_style, transparent);
    m_picture->tile(0);
    if (m_view) {
        m_view->setStripHeight(m_picture->height());
        m_view->setPicture(m_picture);
    }
    if (m_delayMs == oldDelayMs)
        m_baseLeft += startLeft - left;
    else
        rebase(nowMs, startLeft);
    setOnAirLine(-1);
}

void TickerEngine::setWorkLabel(const QString& text)
{
    if (m_view)
        m_view->setWorkLabel(text);
}

void TickerEngine::bringToFront()
{
    if (m_running && m_view)
        m_view->raiseWindows(m_settings.checked(key::SCCheckbox7));
}

void TickerEngine::ApplyTickerWindow()
{
    if (m_view)
        m_view->showPanel(true);
    TickerLayout layout;
    layout.strip = stripRect(m_settings);
    const int left = layout.strip.left();
    layout.stripColour = colorFromNumber(m_settings.integer(key::SCEdit13));
    layout.transparent = m_settings.checked(key::SCCheckBox9);
    layout.clock = clockPosition(m_settings, left);
    layout.icon = iconGeometry(m_settings, left);
    layout.clockVisible = m_settings.checked(key::SCCheckbox7);
    m_layout = layout;
    m_haveLayout = true;
    if (m_view)
        m_view->applyLayout(layout);
}

void TickerEngine::SCButton3Click()
{
    prepareStart();
    StartRunStringThread();
}

void TickerEngine::BitBtn2Click()
{
    prepareStart();
    RunTicker();
}

// What both start buttons do before the passes run: lay out the windows, redraw the clock on
// the next second, start the dispatcher when it is switched on.
void TickerEngine::prepareStart()
{
    m_running = true;
    ApplyTickerWindow();
    m_companions.requestClockRedraw();
    if (m_settings.checked(key::SCCheckBox6))
        m_companions.dispstart();
}

void TickerEngine::StartRunStringThread()
{
    // The passes run on the user-interface thread's frame timer; no thread of its own is needed.
    m_running = true;
    TickerPass();
}

void TickerEngine::TickerPass()
{
    m_running = true;
    ApplyTickerWindow();
    m_companions.requestClockRedraw();
    if (m_view)
        m_view->showPanel(false);
    RunTicker();
}

void TickerEngine::ShowTickerWindows()
{
    if (m_view)
        m_view->showIcon(settingInt(key::SCEdit27, 2000));
    if (m_settings.checked(key::SCCheckbox7) && m_view)
        m_view->showClock(settingInt(key::SCEdit16, 20));
    m_running = true;
    if (m_view)
        m_view->showStrip(stripRect(m_settings).top());
    RunTicker();
}

void TickerEngine::ContinueTicker()
{
    setWorkLabel(QStringLiteral("Работаем"));
    ShowTickerWindows();
}

void TickerEngine::restartBlock()
{
    ClearStrip();
    m_resumeLine = 0;
    ApplyTickerWindow();
    m_companions.requestClockRedraw();
    if (m_settings.checked(key::SCCheckBox6))
        m_companions.dispstart();
    RunTicker();
}

void TickerEngine::StopTicker()
{
    setWorkLabel(QStringLiteral(" "));
    if (m_view)
        m_view->park();
    setTickerRunning(false);
    rebase(m_clock.monotonicMs(), kParkedLeftPx);
    showLeft(kParkedLeftPx);
}

void TickerEngine::ClearStrip()
{
    announcementLeft();
    if (m_picture) {
        m_picture->clear();
        if (m_view)
            m_view->pictureChanged();
    }
}

void TickerEngine::RunTicker()
{
    const qint64 nowMs = m_clock.monotonicMs();
    const int left = leftAt(nowMs);

    m_baseStyle.font = tickerFont(m_settings);
    m_baseStyle.text = colorFromNumber(settingInt(key::SCEdit21, 65535));
    m_baseStyle.outline = colorFromNumber(settingInt(key::SCEdit19, 0));
    m_baseStyle.background = colorFromNumber(settingInt(key::SCEdit13, 84214));
    m_baseStyle.outlineWidthPx = qMax(0, m_settings.spin(key::SpinEdit13));
    m_baseStyle.letterStepPx = m_settings.spin(key::SpinEdit14);
    // A delay of 0 runs at the fastest sensible speed, 1 ms a step; a step of 0 stands still.
    m_normalDelayMs = qMax(1, m_settings.spin(key::SpinEdit1));
    m_delayMs = m_normalDelayMs;
    m_stepPx = qMax(0, m_settings.spin(key::SpinEdit2));
    m_stripWidthPx = m_haveLayout ? m_layout.strip.width() : stripRect(m_settings).width();
    m_currentLine = m_resumeLine;
    rebase(nowMs, left);
    // The first announcement of a run enters at the strip's right end.
    m_carryOver = false;

    const bool precise = m_settings.checked(key::SCCheckbox18);
    if (!m_frame || precise != m_framePrecise) {
        m_frame = m_timers.create(QStringLiteral("TickerFrame"), precise);
        m_framePrecise = precise;
        m_frame->setInterval(kFrameMs);
        m_frame->setHandler([this] { guarded(m_notifier, [this] { frame(); }); });
    }
    if (!m_running)
        return;
    if (!m_looping) {
        m_looping = true;
        logEvent(QStringLiteral("started at line %1").arg(m_currentLine));
        emit runningChanged(true);
    }
    if (!m_frame->isActive())
        m_frame->start();
    frame();
}

int TickerEngine::leftAt(qint64 nowMs) const
{
    if (nowMs <= m_baseMs)
        return m_baseLeft;
    const qint64 moved = (nowMs - m_baseMs) * m_stepPx / qMax<qint64>(1, m_delayMs);
    return int(qMax<qint64>(m_baseLeft - moved, INT_MIN / 2));
}

void TickerEngine::rebase(qint64 nowMs, int left)
{
    m_baseMs = nowMs;
    m_baseLeft = left;
}

void TickerEngine::showLeft(int left)
{
    if (left == m_shownLeft)
        return;
    m_shownLeft = left;
    if (m_view)
        m_view->setPictureLeft(left);
}

void TickerEngine::frame()
{
    if (!m_running) {
        setTickerRunning(false);
        return;
    }
    const qint64 nowMs = m_clock.monotonicMs();
    // P1
    if (m_view && m_settings.checked(key::SCCheckbox7))
        m_view->keepClockVisible();
    int left = leftAt(nowMs);
    if (m_cutPending) {
        m_cutPending = false;
        cut(nowMs);
        left = leftAt(nowMs);
    }
    // P2: the previous announcement has left the strip.
    if (m_picture)
        m_picture->layoutTo(-left + m_stripWidthPx + AnnouncementPicture::kTileWidthPx);
    const int drawnWidth =
        m_picture ? (m_picture->laidOut() ? m_picture->placedWidth() : INT_MAX / 2) : 0;
    if (left <= -drawnWidth - kGapPx) {
        if (m_block.loadsPending() > 0 && m_announcements.empty() && !m_hold) {
            // The next announcement comes from the block being read: the strip runs on empty
            // until it is in place, and the new picture then enters at the right end.
            m_carryOver = false;
        } else {
            followAnnouncement(left);
            prepareNext(nowMs, left);
            left = leftAt(nowMs);
        }
    }
    // P13
    if (m_haltPending)
        CheckHalt(nowMs, left);
    // P14: the tiles that are about to enter the strip are drawn ahead, those that have left
    // it are forgotten.
    if (m_picture) {
        m_picture->dropTilesBefore(-left);
        const int ahead = -left + m_stripWidthPx;
        if (ahead >= 0 && (!m_picture->laidOut() || ahead <= m_picture->placedWidth() + 64))
            m_picture->tile(ahead / AnnouncementPicture::kTileWidthPx);
    }
    showLeft(left);
    followAnnouncement(left);
}

void TickerEngine::prepareNext(qint64 nowMs, int left)
{
    // What is still on the strip leaves it with the new picture.
    announcementLeft();
    const int previousWidth = m_picture ? m_picture->drawnWidth() : 0;
    // P3: the new picture enters at the strip's right end; what the previous one scrolled past
    // its end is carried over, so the average speed holds exactly.
    const int excess = m_carryOver ? qBound(0, -previousWidth - kGapPx - left, m_stripWidthPx) : 0;
    m_carryOver = true;
    const int startLeft = m_stripWidthPx - excess;

    if (const std::optional<Priority> priority = takePriority()) {
        showPriority(nowMs, left, startLeft, *priority);
        return;
    }
    m_priorityOnStrip.clear();
    if (m_interruptedLine >= 0) {
        // Not the block's last line: that one has wrapped the block already.
        if (m_interruptedLine < m_block.text().size() - 1)
            m_currentLine = m_interruptedLine;
        m_interruptedLine = -1;
    }

    // P4
    const QStringList& lines = m_block.text();
    QString text;
    const bool phrase = m_panelPhrasePending;
    if (phrase) {
        text = m_panelPhrase;
        --m_currentLine;
    } else {
        text = lineOf(lines, m_currentLine).mid(1) + u' ';
    }
    const int line = m_currentLine;
    // P6: the thematic picture; a failing picture does not stop the strip.
    const QString textLine = lineOf(lines, line);
    int iconCode = kDefaultIconCode;
    if (!textLine.isEmpty() && textLine[0] >= u'0' && textLine[0] <= u'9')
        iconCode = textLine[0].unicode() - u'0';
    try {
        m_companions.vibor(iconCode);
    } catch (...) {
    }
    // P8 before P7: the picture takes the height of the font it is drawn in.
    const qint64 oldDelayMs = m_delayMs;
    const QString tariff = ApplyTariff(line, text);
    // P7, P9: drawn lazily, tile by tile, as the strip reaches it.
    const bool transparent =
        m_haveLayout ? m_layout.transparent : m_settings.checked(key::SCCheckBox9);
    m_picture = std::make_shared<AnnouncementPicture>(text, m_style, transparent);
    m_picture->tile(0);
    if (m_view) {
        m_view->setStripHeight(m_picture->height());
        m_view->setPicture(m_picture);
    }
    if (m_delayMs == oldDelayMs)
        m_baseLeft += startLeft - left;  // keeps the sub-pixel phase of the motion
    else
        rebase(nowMs, startLeft);
    // P10
    m_panelPhrasePending = false;

    const bool sameLengths = m_block.sameLengths();
    const bool exists = line >= 0 && line < lines.size();
    const QString index = lineOf(m_block.index(), line);
    const int runCount = m_blockRunCount;

    // P11
    if (m_currentLine >= lines.size() - 1) {
        const QString file = m_settings.text(key::SCEdit5);
        if (!file.isEmpty() && m_settings.checked(key::SCCheckbox29)) {
            // Read off this thread; the next announcement waits for the block (see frame()).
            m_block.loadTickerFileLater(file, m_clock.now(),
                                        [engine = QPointer<TickerEngine>(this)](const QString& e) {
                                            if (engine)
                                                engine->blockReloaded(e);
                                        });
        }
        m_currentLine = 0;
        m_resumeLine = 0;
        ++m_blockRunCount;
    } else {
        ++m_currentLine;
    }
    m_resumeLine = m_currentLine;
    // Announced after a reload at the end of the block, which shows the reloaded block.
    m_onAirLine = exists && !phrase ? line : -1;
    emit onAirLineChanged(m_onAirLine);

    // P12: the record of what was just prepared, from the block as it was then.
    if (sameLengths && (exists || phrase)) {
        m_log.AppendLogRecord(runCount, index, tariff, text);
        m_onStrip = OnStrip{index, tariff, text};
    }
}

void TickerEngine::blockReloaded(const QString& failure)
{
    if (failure.isEmpty()) {
        m_reloadFailure.clear();
    } else if (failure != m_reloadFailure) {
        // A file that stays unreadable is reported once, not at the end of every pass.
        m_reloadFailure = failure;
        m_notifier.errorReport(failure);
    }
    // The on-air line is told again on the block that is now in place.
    emit onAirLineChanged(m_onAirLine);
}

QString TickerEngine::ApplyTariff(int line, const QString& text)
{
    QString tariff;
    if (line >= 0 && line < m_block.tariff().size()) {
        tariff = normaliseTariff(m_block.tariff()[line]);
        m_block.setTariffLine(line, tariff);
    }
    const TariffMode mode = tariffMode(tariffNumber(tariff));
    m_haltPending = mode.halt;
    m_style = m_baseStyle;
    if (mode.colour)
        m_style.text = colorFromNumber(settingInt(key::SCEdit81, 1000));
    m_delayMs = mode.delay ? qMax(1, m_settings.spin(key::SpinEdit15)) : m_normalDelayMs;
    if (mode.font) {
        const QString family = m_settings.text(key::SCEdit82);
        m_style.font.setFamilies(
            {family, QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
        m_style.font.setPointSize(qBound(1, settingInt(key::SCEdit85, 30), 1000));
    }
    if (m_haltPending) {
        // The width as the settings give it now; an emptied field keeps the strip's own (no
        // font is measured on the frame's path, as stripRect would).
        m_haltStripWidthPx = settingInt(key::SCEdit77, m_stripWidthPx);
        m_haltStopPx = m_settings.spin(key::SpinEdit16);
        m_haltMs = qMax(0, settingInt(key::SCEdit3, 500));
        // The prefix before the flag text is measured on the picture as the strip reaches it:
        // its width is the place of this character. No flag, or the flag first: prefix 0.
        const qsizetype flag = text.indexOf(m_settings.text(key::SCEdit79));
        m_haltFlagCharacter = flag > 0 ? characterIndex(text, flag) : 0;
    }
    return tariff;
}

bool TickerEngine::CheckHalt(qint64 nowMs, int& left)
{
    if (!m_picture || m_stepPx == 0)
        return false;
    // Characters are placed only as far as the halt can concern them now.
    m_picture->layoutTo(m_haltStopPx - left + 1);
    const int prefixPx = m_picture->placedX(m_haltFlagCharacter);
    if (prefixPx < 0)
        return false;
    // First position at which the flag text has passed the stop place.
    const int haltLeft = m_haltStopPx - prefixPx - m_haltStripWidthPx + m_stripWidthPx - 1;
    if (!haltReached(m_haltStripWidthPx, prefixPx, m_haltStopPx, m_stripWidthPx - left))
        return false;
    m_haltPending = false;
    // The strip stands still at the halt place for SCEdit3 ms from the moment it got there.
    qint64 reachedMs = nowMs;
    if (left < haltLeft && m_baseLeft > haltLeft) {
        const qint64 distance = qint64(m_baseLeft) - haltLeft;
        reachedMs = m_baseMs + (distance * m_delayMs + m_stepPx - 1) / m_stepPx;
        reachedMs = qBound(m_baseMs, reachedMs, nowMs);
    }
    if (left < haltLeft)
        left = int(qMin<qint64>(haltLeft, m_baseLeft));
    rebase(reachedMs + m_haltMs, left);
    return true;
}

}  // namespace velumo
