#pragma once

#include <QColor>
#include <QWidget>
#include <memory>

namespace velumo {

class AnnouncementPicture;

// The ticker strip: a borderless, always-on-top tool window that takes no focus. It paints the
// part of the current announcement's picture that lies inside it; with a transparent strip the
// strip colour is painted fully transparent.
class StripWindow : public QWidget {
    Q_OBJECT
public:
    // The picture's top inside the strip.
    static constexpr int kPictureTopPx = 2;

    explicit StripWindow(QWidget* parent = nullptr);

    void setStripColour(const QColor& colour, bool transparent);
    QColor stripColour() const { return m_colour; }
    bool isTransparent() const { return m_transparent; }
    void setPicture(std::shared_ptr<AnnouncementPicture> picture);
    void setPictureLeft(int left);
    int pictureLeft() const { return m_left; }

    // Repaints counted since start (for the benchmark of the strip).
    qint64 paintCount() const { return m_paints; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<AnnouncementPicture> m_picture;
    QColor m_colour = QColor(246, 72, 1);
    bool m_transparent = true;
    int m_left = -30;
    qint64 m_paints = 0;
};

}  // namespace velumo
