#pragma once

#include <QImage>
#include <QWidget>
#include <thread>

#include "players/slidesurface.h"

class QPdfDocument;

namespace velumo {

// The slide-show window: frameless, below the strip and the clock, each page letter-boxed on
// black at the window's size. The page after the one on the screen is rendered ahead on a
// worker thread (a large page takes longer than a frame), so a slide change only paints.
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
    QSize fittedSize(int page) const;
    void renderAhead(int page);
    void joinAhead();

    QPdfDocument* m_document = nullptr;
    QString m_file;
    int m_page = -1;
    QImage m_picture;
    // The page rendered ahead, with its number and size; -1 while none is ready.
    std::thread m_ahead;
    int m_aheadPage = -1;
    QImage m_aheadPicture;
    int m_generation = 0;
};

}  // namespace velumo
