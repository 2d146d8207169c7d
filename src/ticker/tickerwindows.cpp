#include "tickerwindows.h"

#include <QLabel>
#include <QWidget>

#include "ticker/stripwindow.h"

namespace velumo {

namespace {

// Stopped windows wait above the screen.
void parkAbove(QWidget* window)
{
    if (window)
        window->move(window->x(), -window->height() - 200);
}

}  // namespace

TickerWindows::TickerWindows(StripWindow& strip, QWidget* clock, QWidget* icon, QWidget* panel,
                             QWidget* mainWindow, QLabel* workLabel, TickerWindowsStyler* styler)
    : m_strip(strip),
      m_clock(clock),
      m_icon(icon),
      m_panel(panel),
      m_main(mainWindow),
      m_workLabel(workLabel),
      m_styler(styler)
{
}

void TickerWindows::showPanel(bool hideMainWindow)
{
    if (hideMainWindow && m_main)
        m_main->hide();
    if (m_panel)
        m_panel->show();
}

void TickerWindows::applyLayout(const TickerLayout& layout)
{
    m_layout = layout;
    m_strip.setStripColour(layout.stripColour, layout.transparent);
    m_strip.setGeometry(layout.strip);
    if (m_clock)
        m_clock->move(layout.clock);
    if (m_styler)
        m_styler->followStrip(layout);
    m_strip.show();
    m_strip.raise();
    if (m_clock && layout.clockVisible)
        m_clock->show();
    if (m_icon) {
        m_icon->show();
        m_icon->setGeometry(layout.icon);
    }
}

void TickerWindows::showIcon(int top)
{
    if (!m_icon)
        return;
    m_icon->move(m_icon->x(), top);
    m_icon->show();
    m_icon->raise();
}

void TickerWindows::showClock(int top)
{
    if (!m_clock)
        return;
    m_clock->move(m_clock->x(), top);
    m_clock->show();
    m_clock->raise();
}

void TickerWindows::showStrip(int top)
{
    m_strip.move(m_strip.x(), top);
    m_strip.show();
    m_strip.raise();
}

void TickerWindows::keepClockVisible()
{
    if (m_clock && !m_clock->isVisible())
        m_clock->show();
}

void TickerWindows::park()
{
    parkAbove(&m_strip);
    parkAbove(m_icon);
    parkAbove(m_clock);
}

void TickerWindows::raiseWindows(bool clock)
{
    if (clock && m_clock) {
        m_clock->show();
        m_clock->raise();
    }
    m_strip.show();
    m_strip.raise();
}

void TickerWindows::setStripHeight(int heightPx)
{
    if (m_strip.height() != heightPx)
        m_strip.resize(m_strip.width(), heightPx);
}

void TickerWindows::setPicture(std::shared_ptr<AnnouncementPicture> picture)
{
    m_strip.setPicture(std::move(picture));
}

void TickerWindows::setPictureLeft(int left)
{
    m_strip.setPictureLeft(left);
}

void TickerWindows::pictureChanged()
{
    m_strip.update();
}

void TickerWindows::setWorkLabel(const QString& text)
{
    if (m_workLabel)
        m_workLabel->setText(text);
}

}  // namespace velumo
