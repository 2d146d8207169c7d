#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace velumo {

class BorderMenu;
class Notifier;
class Settings;

// The clock beside the strip (Tclockfor): a borderless window showing the clock picture drawn
// by the clock tick, placed relative to the strip's left edge when it is shown.
class ClockWindow final : public QWidget {
    Q_OBJECT
public:
    ClockWindow(Settings& settings, Notifier& notifier, QWidget* parent = nullptr);

    // The picture stands 3 pixels below the window's top.
    static constexpr int kPictureTopPx = 3;

    // A new clock picture and window size from the clock tick.
    void showClock(const QImage& image, const QSize& windowSize);
    void setBackgroundColour(const QColor& colour);
    // With a transparent colour, every pixel of that colour is see-through (the strip's
    // transparent background).
    void setTransparentColour(const QColor& colour, bool enabled);

    const QImage& clockImage() const { return m_image; }
    BorderMenu* borderMenu() const { return m_borderMenu; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void updateShown();

    Settings& m_settings;
    Notifier& m_notifier;
    BorderMenu* m_borderMenu = nullptr;
    QImage m_image;
    QImage m_shown;
    QColor m_background = Qt::black;
    QColor m_transparent;
    bool m_transparentOn = false;
};

// Pixels of the key colour become fully transparent.
QImage withTransparentColour(const QImage& image, const QColor& key);

}  // namespace velumo
