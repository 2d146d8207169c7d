#include "alertbandwindow.h"

#include <QDateTime>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTextOption>
#include <algorithm>

#include "alerts/alertpresenter.h"
#include "base/clock.h"
#include "base/timer.h"

namespace velumo::alerts {

struct AlertBandWindow::Metrics {
    QFont meta;
    QFont headline;
    QFont instruction;
    int padding = 0;
    int gap = 0;
};

AlertBandWindow::AlertBandWindow(TimerFactory& timers, const Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                          Qt::WindowDoesNotAcceptFocus),
      m_clock(clock),
      m_raise(timers.create(QStringLiteral("alert band raise")))
{
    setObjectName(QStringLiteral("AlertBand"));
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setFocusPolicy(Qt::NoFocus);
    m_raise->setInterval(kRaiseMs);
    m_raise->setHandler([this] {
        if (isVisible())
            raise();
    });
    // The native window and the large type's glyphs are made now, at the start, not while the
    // strip runs when the first alert comes.
    winId();
    QImage warm(size().boundedTo(QSize(640, 240)), QImage::Format_RGB32);
    m_view.headline = m_view.instruction = QStringLiteral("Оповещение 0123456789");
    render(&warm);
    m_view = {};
}

AlertBandWindow::~AlertBandWindow() = default;

QColor AlertBandWindow::background(Severity severity)
{
    switch (severity) {
        case Severity::Extreme:
            return QColor(200, 0, 0);
        case Severity::Severe:
            return QColor(255, 140, 0);
        case Severity::Moderate:
            return QColor(255, 215, 0);
        case Severity::Minor:
        case Severity::Unknown:
            break;
    }
    return QColor(30, 80, 160);
}

QColor AlertBandWindow::foreground(Severity severity)
{
    return severity == Severity::Severe || severity == Severity::Moderate ? QColor(Qt::black)
                                                                          : QColor(Qt::white);
}

QString AlertBandWindow::untilText(const QDateTime& until, const QDateTime& now)
{
    if (!until.isValid())
        return QStringLiteral("до отмены");
    const QDateTime local = until.toLocalTime();
    return local.date() == now.toLocalTime().date()
               ? QStringLiteral("до ") + local.toString(QStringLiteral("HH:mm"))
               : QStringLiteral("до ") + local.toString(QStringLiteral("dd.MM HH:mm"));
}

AlertBandWindow::Metrics AlertBandWindow::metrics(int screenHeight) const
{
    Metrics m;
    const auto sized = [this](int px, bool bold) {
        QFont f = font();
        f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
        f.setPixelSize(std::max(12, px));
        f.setBold(bold);
        return f;
    };
    m.meta = sized(screenHeight / 36, false);
    m.headline = sized(screenHeight / 16, true);
    m.instruction = sized(screenHeight / 24, false);
    m.padding = std::max(6, screenHeight / 60);
    m.gap = std::max(4, screenHeight / 90);
    return m;
}

int AlertBandWindow::contentHeight(int width, int screenHeight) const
{
    const Metrics m = metrics(screenHeight);
    const int inner = std::max(1, width - 2 * m.padding);
    const auto wrapped = [inner](const QFont& f, const QString& text) {
        if (text.isEmpty())
            return 0;
        return QFontMetrics(f)
            .boundingRect(QRect(0, 0, inner, 100000), Qt::TextWordWrap, text)
            .height();
    };
    int height = m.padding + QFontMetrics(m.meta).height() + m.gap +
                 wrapped(m.headline, m_view.headline) + m.padding;
    if (!m_view.instruction.isEmpty())
        height += m.gap + wrapped(m.instruction, m_view.instruction);
    return height;
}

void AlertBandWindow::showView(const BandView& view, const QRect& screen, const QRect& strip)
{
    m_view = view;
    m_screenHeight = std::max(200, screen.height());
    setGeometry(bandPlace(screen, strip, contentHeight(screen.width(), m_screenHeight)));
    update();
    show();
    raise();
    m_raise->start();
}

void AlertBandWindow::hideBand()
{
    m_raise->stop();
    hide();
}

void AlertBandWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor back = background(m_view.severity);
    const QColor fore = foreground(m_view.severity);
    painter.fillRect(rect(), back);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const Metrics m = metrics(m_screenHeight);
    QRect area = rect().adjusted(m.padding, m.padding, -m.padding, -m.padding);

    // The first line: the mark, the event and the sender; on the right, until when.
    const QFontMetrics metaMetrics(m.meta);
    painter.setFont(m.meta);
    int left = area.left();
    if (!m_view.mark.isEmpty()) {
        QFont tagFont = m.meta;
        tagFont.setBold(true);
        const QFontMetrics tagMetrics(tagFont);
        const QRect tag(left, area.top(), tagMetrics.horizontalAdvance(m_view.mark) + 2 * m.gap,
                        metaMetrics.height());
        painter.fillRect(tag, fore);
        painter.setPen(back);
        painter.setFont(tagFont);
        painter.drawText(tag, Qt::AlignCenter, m_view.mark);
        painter.setFont(m.meta);
        left = tag.right() + 1 + 2 * m.gap;
    }
    painter.setPen(fore);
    const QString until = untilText(m_view.until, m_clock.now());
    const int untilWidth = metaMetrics.horizontalAdvance(until);
    painter.drawText(
        QRect(area.right() + 1 - untilWidth, area.top(), untilWidth, metaMetrics.height()),
        Qt::AlignRight | Qt::AlignVCenter, until);
    QString who = m_view.event;
    if (!m_view.senderName.isEmpty())
        who += (who.isEmpty() ? QString() : QStringLiteral(" — ")) + m_view.senderName;
    const int whoWidth = std::max(0, area.right() + 1 - untilWidth - 2 * m.gap - left);
    painter.drawText(QRect(left, area.top(), whoWidth, metaMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metaMetrics.elidedText(who, Qt::ElideRight, whoWidth));
    area.setTop(area.top() + metaMetrics.height() + m.gap);

    // The headline and the instruction, wrapped; what does not fit is cut at the band's edge.
    QRect used;
    painter.setFont(m.headline);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_view.headline, &used);
    area.setTop(used.bottom() + 1 + m.gap);
    if (!m_view.instruction.isEmpty() && area.height() > 0) {
        painter.setFont(m.instruction);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_view.instruction);
    }
}

}  // namespace velumo::alerts
