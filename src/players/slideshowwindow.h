#pragma once

#include <QImage>
#include <QWidget>
#include <atomic>
#include <memory>

#include "players/slidesurface.h"

class QPdfDocument;

namespace velumo {

class Worker;

// The slide-show window: frameless, below the strip and the clock, each page letter-boxed on
// black at the window's size. The page after the one on the screen is rendered ahead by a
// worker (a large page takes longer than a frame), so a slide change only paints.
class SlideShowWindow final : public QWidget, public SlideSurface {
    Q_OBJECT
public:
    explicit SlideShowWindow(QWidget* parent = nullptr);
    ~SlideShowWindow() override;

    bool open(const QString& pagesFile, QString* reason) override;
    int pageCount() const override;
    void showPage(int page) override;
    void whenPainted(std::function<void()> painted) override;
    void place(const QRect& rect) override;
    bool placeFullScreen(int screen) override;
    int screenCount() const override;
    QRect geometry() const override { return QWidget::geometry(); }
    void close() override;
    // The page on the screen as painted (null before the first).
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void render();
    // Hands the pending whenPainted() call to the event loop.
    void reportPainted();
    QSize fittedSize(int page) const;
    void renderAhead(int page);
    // Forgets the page rendered ahead; one still being rendered is dropped when it comes.
    void dropAhead();

    QPdfDocument* m_document = nullptr;
    QString m_file;
    int m_page = -1;
    QImage m_picture;
    // m_page has been painted since it was shown; who waits for that. m_shown counts the
    // pages shown (and the closes), so that a report on its way knows its page.
    bool m_painted = false;
    std::function<void()> m_whenPainted;
    quint64 m_shown = 0;
    // The page rendered ahead, with its number and size; -1 while none is ready.
    int m_aheadPage = -1;
    QImage m_aheadPicture;
    // Read by the worker's jobs too: one for a page that nobody wants any more is skipped.
    std::shared_ptr<std::atomic_int> m_generation = std::make_shared<std::atomic_int>(0);
    std::unique_ptr<Worker> m_worker;
};

}  // namespace velumo
