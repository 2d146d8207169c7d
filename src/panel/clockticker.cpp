#include "clockticker.h"

#include <QFontMetrics>
#include <QPainter>

#include "base/clock.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "base/wincolor.h"
#include "devices/powercontrol.h"
#include "ticker/glyphpainter.h"
#include "ticker/tickerfont.h"

namespace velumo {

ClockTicker::ClockTicker(Settings& settings, const Clock& clock, TimerFactory& timers,
                         PowerControl& power, Notifier& notifier, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_clock(clock),
      m_power(power),
      m_notifier(notifier),
      m_timer1(timers.create(QStringLiteral("Timer1"), true))
{
    m_timer1->setInterval(1000);
    m_timer1->setHandler([this] {
        alignToNextSecond();
        guarded(m_notifier, [this] { ClockTick(); });
    });
}

ClockTicker::~ClockTicker() = default;

void ClockTicker::start()
{
    alignToNextSecond();
    m_timer1->start();
}

// Ticks follow the seconds of the wall clock, so that no second is skipped or shown twice
// (the shut-down time is compared to the second).
void ClockTicker::alignToNextSecond()
{
    const int msec = m_clock.now().time().msec();
    m_timer1->setInterval(qMax(1, 1000 + kTickOffsetMs - msec));
}

QFont ClockTicker::clockFont() const
{
    QFont font = tickerFont(m_settings);
    font.setPointSize(qMax(1, m_settings.integer(key::SCEdit80)));
    return font;
}

QSize ClockTicker::labelSize() const
{
    const QString text = m_clockText + u' ' + m_clock.now().time().toString(u"hh:mm");
    const QFontMetrics metrics(clockFont());
    return QSize(metrics.horizontalAdvance(text), metrics.height());
}

void ClockTicker::ClockTick()
{
    const QTime time = m_clock.now().time();
    const QString second = time.toString(u"hh:mm:ss");
    m_settings.setText(key::SCEditn7, second);
    emit timeShown(second);

    if (m_settings.checked(key::SCCheckBox14) &&
        m_settings.text(key::SCEditn7) == m_settings.text(key::SCEdit78)) {
        // Once for the matching second, however often the tick runs in it.
        if (m_shutdownSecond != second) {
            m_shutdownSecond = second;
            m_power.shutdown(false);
        }
    }

    // A clock that shows a minute which has passed is redrawn at once.
    const QString minute = time.toString(u"hh:mm");
    if (!m_drawnMinute.isEmpty() && minute != m_drawnMinute)
        m_redrawCounter = kRedrawAt;
    if (m_redrawCounter != kRedrawAt) {
        ++m_redrawCounter;
        return;
    }
    // Reset first: a redraw that fails on a broken field is tried again a minute later, not
    // every second.
    m_redrawCounter = 0;
    m_drawnMinute = minute;
    redraw(minute);
}

void ClockTicker::redraw(const QString& minuteText)
{
    const QString text = m_clockText + u' ' + minuteText;
    GlyphStyle style;
    style.font = clockFont();
    style.text = colorFromNumber(m_settings.integer(key::SCEdit21));
    style.background = colorFromNumber(m_settings.integer(key::SCEdit13));
    style.outline = colorFromNumber(m_settings.integer(key::SCEdit19));
    const int outline = m_settings.spin(key::SpinEdit13);
    style.outlineWidthPx = outline >= 1 ? outline : 0;
    style.letterStepPx = m_settings.spin(key::SpinEdit14);

    const QFontMetrics metrics(style.font);
    const QSize label(metrics.horizontalAdvance(text), metrics.height());
    const int height = label.height() + kExtraHeightPx;
    const int width =
        qMax(1, style.letterStepPx * int(text.size()) + label.width() + kExtraWidthPx);

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(style.background);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        drawTickerText(painter, 0, text, style, height, true);
    }
    m_clockString = text;
    m_image = image;
    emit clockDrawn(m_image, QSize(width, height));
}

}  // namespace velumo
