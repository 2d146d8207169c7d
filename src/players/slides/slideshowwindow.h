#pragma once

#include <QImage>
#include <QList>
#include <QSizeF>
#include <QWidget>
#include <atomic>
#include <memory>

#include "players/slides/slidesurface.h"

namespace velumo {

class Worker;

// The slide-show window: frameless, below the strip and the clock, each page letter-boxed on
// black at the window's size. One render thread owns the pages file: it opens it and renders
// the pages, which come back as pictures (opening a file and rendering a large page each take
// longer than a frame). The page after the one on the screen is rendered ahead, so a slide
// change only paints; at a resize the page on the screen stays until it comes at the new size.
class SlideShowWindow final : public QWidget, public SlideSurface {
    Q_OBJECT
public:
    explicit SlideShowWindow(QWidget* parent = nullptr);
    ~SlideShowWindow() override;

    void open(const QString& pagesFile, Opened opened) override;
    int pageCount() const override { return int(m_pointSizes.size()); }
    void showPage(int page, std::function<void()> shown = {}) override;
    void place(const QRect& rect) override;
    bool placeFullScreen(int screen) override;
    int screenCount() const override;
    QRect geometry() const override { return QWidget::geometry(); }
    void close() override;
    // The page on the screen as painted (null before the first).
    const QImage& picture() const { return m_picture; }

    // The document of the render thread; touched by its jobs only.
    struct Pages;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize fittedSize(int page) const;
    // Asks the render thread for the page on the screen at the window's size.
    void renderPage(std::function<void()> shown);
    void renderAhead(int page);
    // Forgets the page rendered ahead; one still being rendered is dropped when it comes.
    void dropAhead();

    std::shared_ptr<Pages> m_pages;
    // Page sizes in points of the open file; empty while none is open.
    QList<QSizeF> m_pointSizes;
    // Counts opens and closes: the answer of an earlier open is dropped.
    int m_openNumber = 0;
    // Counts requests of the page on the screen: only the latest one's picture is shown.
    int m_pageRequest = 0;
    int m_page = -1;
    QImage m_picture;
    // The page rendered ahead, with its number; -1 while none is ready.
    int m_aheadPage = -1;
    QImage m_aheadPicture;
    // Read by the render thread too: a page ahead that nobody wants any more is skipped.
    std::shared_ptr<std::atomic_int> m_generation = std::make_shared<std::atomic_int>(0);
    std::unique_ptr<Worker> m_renderer;
};

}  // namespace velumo
