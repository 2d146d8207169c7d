#include "slideshowwindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfDocument>
#include <QResizeEvent>
#include <QScreen>

#include "base/worker.h"

namespace velumo {

struct SlideShowWindow::Pages {
    std::unique_ptr<QPdfDocument> document;
};

namespace {

struct OpenedPages {
    QList<QSizeF> pointSizes;
    QString failure;
};

// On the render thread: the file the window shows from now on, or why it cannot be read.
OpenedPages openPages(SlideShowWindow::Pages& pages, const QString& file)
{
    pages.document = std::make_unique<QPdfDocument>();
    const QPdfDocument::Error error = pages.document->load(file);
    OpenedPages opened;
    if (error != QPdfDocument::Error::None) {
        pages.document.reset();
        opened.failure = QStringLiteral("PDF error %1").arg(int(error));
        return opened;
    }
    for (int page = 0; page < pages.document->pageCount(); ++page)
        opened.pointSizes.append(pages.document->pagePointSize(page));
    return opened;
}

QImage renderOnThread(SlideShowWindow::Pages& pages, int page, QSize size)
{
    if (!pages.document || page < 0 || page >= pages.document->pageCount() || size.isEmpty())
        return QImage();
    return pages.document->render(page, size);
}

}  // namespace

SlideShowWindow::SlideShowWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_pages(std::make_shared<Pages>()),
      m_renderer(std::make_unique<Worker>(QStringLiteral("slide pages")))
{
    setObjectName(QStringLiteral("SlideShowWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    resize(300, 400);
}

// The render thread is given a bounded time; the document goes with the last job that holds it.
SlideShowWindow::~SlideShowWindow() = default;

void SlideShowWindow::dropAhead()
{
    ++*m_generation;
    m_aheadPage = -1;
    m_aheadPicture = QImage();
}

void SlideShowWindow::open(const QString& pagesFile, Opened opened)
{
    dropAhead();
    ++m_pageRequest;
    m_page = -1;
    m_picture = QImage();
    m_pointSizes.clear();
    const int number = ++m_openNumber;
    m_renderer->run(
        this, [pages = m_pages, pagesFile](const auto&) { return openPages(*pages, pagesFile); },
        [this, number, opened = std::move(opened)](const JobResult<OpenedPages>& result) {
            if (number != m_openNumber)
                return;
            const QString failure = result.ok() ? result.value->failure
                                    : result.error.isEmpty()
                                        ? QStringLiteral("the pages could not be read")
                                        : result.error;
            if (!failure.isEmpty()) {
                opened(0, failure);
                return;
            }
            m_pointSizes = result.value->pointSizes;
            opened(pageCount(), QString());
        });
}

void SlideShowWindow::showPage(int page, std::function<void()> shown)
{
    m_page = page;
    if (m_aheadPage == page && m_aheadPicture.size() == fittedSize(page)) {
        ++m_pageRequest;
        m_picture = m_aheadPicture;
        if (!isVisible())
            show();
        repaint();
        if (shown)
            shown();
    } else {
        renderPage(std::move(shown));
    }
    renderAhead(page + 1);
}

QSize SlideShowWindow::fittedSize(int page) const
{
    QSizeF points = page >= 0 && page < m_pointSizes.size() ? m_pointSizes[page] : QSizeF();
    if (points.isEmpty())
        points = QSizeF(width(), height());
    return points.scaled(QSizeF(size()), Qt::KeepAspectRatio).toSize();
}

void SlideShowWindow::renderPage(std::function<void()> shown)
{
    const int request = ++m_pageRequest;
    const int page = m_page;
    const QSize fitted = fittedSize(page);
    m_renderer->run(
        this,
        [pages = m_pages, page, fitted](const auto&) {
            return renderOnThread(*pages, page, fitted);
        },
        [this, request, shown = std::move(shown)](const JobResult<QImage>& result) {
            if (request != m_pageRequest)
                return;  // another page, size or file is wanted by now
            m_picture = result.ok() ? *result.value : QImage();
            if (!isVisible())
                show();
            repaint();
            if (shown)
                shown();
        });
}

void SlideShowWindow::renderAhead(int page)
{
    dropAhead();
    if (page >= pageCount())
        return;
    const QSize fitted = fittedSize(page);
    if (fitted.isEmpty())
        return;
    const int generation = *m_generation;
    m_renderer->run(
        this,
        [pages = m_pages, page, fitted, generation, current = m_generation](const auto&) {
            if (*current != generation)
                return QImage();  // a later page or document is wanted already
            return renderOnThread(*pages, page, fitted);
        },
        [this, page, generation](const JobResult<QImage>& result) {
            if (generation != *m_generation || !result.ok() || result.value->isNull())
                return;
            m_aheadPage = page;
            m_aheadPicture = *result.value;
        });
}

void SlideShowWindow::place(const QRect& rect)
{
    if (isFullScreen())
        showNormal();
    setGeometry(rect);
}

bool SlideShowWindow::placeFullScreen(int screen)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screen < 0 || screen >= screens.size())
        return false;
    setGeometry(screens[screen]->geometry());
    return true;
}

int SlideShowWindow::screenCount() const
{
    return int(QGuiApplication::screens().size());
}

void SlideShowWindow::close()
{
    hide();
    dropAhead();
    ++m_openNumber;
    ++m_pageRequest;
    m_page = -1;
    m_picture = QImage();
    m_pointSizes.clear();
    // The file is let go on the render thread, after what it still has to do.
    m_renderer->run(
        this, [pages = m_pages](const auto&) { pages->document.reset(); },
        [](const JobResult<std::monostate>&) {});
}

void SlideShowWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The page on the screen stays until it comes at the new size.
    if (m_page >= 0 && m_picture.size() != fittedSize(m_page))
        renderPage({});
}

void SlideShowWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_picture.isNull())
        return;
    const QPoint at((width() - m_picture.width()) / 2, (height() - m_picture.height()) / 2);
    painter.drawImage(at, m_picture);
}

}  // namespace velumo
