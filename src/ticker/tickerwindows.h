#pragma once

#include <functional>

#include <QPointer>

#include "ticker/tickerview.h"

class QLabel;
class QWidget;

namespace velumo {

class StripWindow;

// Puts the engine's layout on screen: the strip, the clock and icon windows (placed, shown and
// parked through their QWidget geometry only), the control panel, the main window and its work
// indicator Label98.
class TickerWindows final : public TickerView {
public:
    TickerWindows(StripWindow& strip, QWidget* clock, QWidget* icon, QWidget* panel,
                  QWidget* mainWindow);

    void setWorkLabelWidget(QLabel* label);
    // Called as the windows are laid out, so that the clock and icon windows take the strip's
    // colour (and its transparency) and the clock its measured size.
    void setAccessoryStyler(std::function<void(const TickerLayout&)> styler)
    {
        m_styler = std::move(styler);
    }

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
    std::function<void(const TickerLayout&)> m_styler;
};

}  // namespace velumo
