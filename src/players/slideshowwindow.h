#pragma once

#include <QImage>
#include <QWidget>

#include "players/slidesurface.h"

class QPdfDocument;

namespace velumo {

// The slide-show window: frameless, below the strip and the clock, each page letter-boxed on
// black at the window's size.
class SlideShowWindow final : public QWidget, public SlideSurface {
    Q_OBJECT
public:
    explicit SlideShowWindow(QWidget* parent = nullptr);
    ~SlideShowWindow() override;

    bool open(const QString& pagesFile, QString* reason) override;
    int pageCount() const override;
    void showPage(int page) override;
    void place(const QRect& rect) override;
    bool placeFullScreen(int screen) override;
    int screenCount() const override;
    QRect geometry() const override { return QWidget::geometry(); }
    void close() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void render();

    QPdfDocument* m_document = nullptr;
    int m_page = -1;
    QImage m_picture;
};

}  // namespace velumo
