#pragma once

#include <QImage>
#include <QWidget>

namespace velumo {

// A player window: frameless, black, a tool window below the strip and the clock that never
// takes the focus. It shows one picture letter-boxed in the middle and keeps it until another
// comes or it is blanked.
class PictureWindow : public QWidget {
    Q_OBJECT
public:
    explicit PictureWindow(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);
    void blank();
    const QImage& picture() const { return m_picture; }

signals:
    void resized(const QSize& size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage m_picture;
};

}  // namespace velumo
