#pragma once

#include <QPointer>

#include "ticker/tickerview.h"

class QLabel;
class QWidget;

namespace velumo {

class StripWindow;

// The clock and icon windows follow the strip as it is laid out: they take its colour (and its
// transparency), the clock its measured size.
class TickerWindowsStyler {
public:
    virtual ~TickerWindowsStyler() = default;
    virtual void followStrip(const TickerLayout& layout) = 0;
};

// Puts the engine's layout on screen: the strip, the clock and icon windows (placed, shown and
// parked through their QWidget geometry only), the control panel, the main window and its work
// indicator Label98.
class TickerWindows final : public TickerView {
public:
    // Any window may be missing (nullptr); without a styler the strip is laid out alone.
    TickerWindows(StripWindow& strip, QWidget* clock, QWidget* icon, QWidget* panel,
                  QWidget* mainWindow, QLabel* workLabel = nullptr,
                  TickerWindowsStyler* styler = nullptr);

    void showPanel(bool hideMainWindow) override;
    void applyLayout(const TickerLayout& layout) override;
    void showIcon(int top) override;
    void showClock(int top) override;
    void showStrip(int top) override;
    void keepClockVisible() override;
    void park() override;
    void raiseWindows(bool clock) override;
    void setStripHeight(int heightPx) override;
    void setPicture(std::shared_ptr<AnnouncementPicture> picture) override;
    void setPictureLeft(int left) override;
    void pictureChanged() override;
    void setWorkLabel(const QString& text) override;

private:
    StripWindow& m_strip;
    QPointer<QWidget> m_clock;
    QPointer<QWidget> m_icon;
    QPointer<QWidget> m_panel;
    QPointer<QWidget> m_main;
    QPointer<QLabel> m_workLabel;
    TickerLayout m_layout;
    TickerWindowsStyler* m_styler;
};

}  // namespace velumo
