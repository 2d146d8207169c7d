#include "slideshowwindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfDocument>
#include <QResizeEvent>
#include <QScreen>

#include <utility>

#include "base/worker.h"

namespace velumo {

SlideShowWindow::SlideShowWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_document(new QPdfDocument(this)),
      m_worker(std::make_unique<Worker>(QStringLiteral("slide ahead")))
{
    setObjectName(QStringLiteral("SlideShowWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    resize(300, 400);
}

SlideShowWindow::~SlideShowWindow() = default;  // the worker waits a bounded time

void SlideShowWindow::dropAhead()
{
    ++*m_generation;
    m_aheadPage = -1;
    m_aheadPicture = QImage();
}

bool SlideShowWindow::open(const QString& pagesFile, QString* reason)
{
    dropAhead();
    m_document->close();
    m_page = -1;
    m_picture = QImage();
    m_file = pagesFile;
    const QPdfDocument::Error error = m_document->load(pagesFile);
    if (error != QPdfDocument::Error::None) {
        if (reason)
            *reason = QStringLiteral("PDF error %1").arg(int(error));
        return false;
    }
    return true;
}

int SlideShowWindow::pageCount() const
{
    return m_document->pageCount();
}

void SlideShowWindow::showPage(int page)
{
    m_page = page;
    ++m_shown;
    m_painted = false;
    m_whenPainted = nullptr;
    if (m_aheadPage == page && m_aheadPicture.size() == fittedSize(page))
        m_picture = m_aheadPicture;
    else
        render();
    if (!isVisible())
        show();
    repaint();
    renderAhead(page + 1);
}

void SlideShowWindow::whenPainted(std::function<void()> painted)
{
    m_whenPainted = std::move(painted);
    if (m_painted)
        reportPainted();
}

void SlideShowWindow::reportPainted()
{
    if (!m_whenPainted)
        return;
    // From the event loop: the painted picture is flushed to the screen once paintEvent returns,
    // and whoever waits may close this window. A page shown since forgets the call.
    QMetaObject::invokeMethod(
        this,
        [this, shown = m_shown] {
            if (shown != m_shown)
                return;
            if (const std::function<void()> painted = std::exchange(m_whenPainted, nullptr))
                painted();
        },
        Qt::QueuedConnection);
}

QSize SlideShowWindow::fittedSize(int page) const
{
    QSizeF points = m_document->pagePointSize(page);
    if (points.isEmpty())
        points = QSizeF(width(), height());
    return points.scaled(QSizeF(size()), Qt::KeepAspectRatio).toSize();
}

void SlideShowWindow::render()
{
    if (m_page < 0 || m_page >= m_document->pageCount()) {
        m_picture = QImage();
        return;
    }
    const QSize fitted = fittedSize(m_page);
    m_picture = fitted.isEmpty() ? QImage() : m_document->render(m_page, fitted);
}

void SlideShowWindow::renderAhead(int page)
{
    dropAhead();
    if (page >= m_document->pageCount())
        return;
    const QSize fitted = fittedSize(page);
    if (fitted.isEmpty())
        return;
    // A document of its own on the worker thread: the window's stays with the window.
    const int generation = *m_generation;
    m_worker->run(
        this,
        [file = m_file, page, fitted, generation, current = m_generation](const auto&) {
            if (*current != generation)
                return QImage();  // a later page or document is wanted already
            QPdfDocument document;
            if (document.load(file) != QPdfDocument::Error::None)
                return QImage();
            return document.render(page, fitted);
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
    m_document->close();
    m_page = -1;
    m_picture = QImage();
    ++m_shown;
    m_painted = false;
    m_whenPainted = nullptr;
}

void SlideShowWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_page >= 0)
        render();
}

void SlideShowWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_picture.isNull())
        return;
    const QPoint at((width() - m_picture.width()) / 2, (height() - m_picture.height()) / 2);
    painter.drawImage(at, m_picture);
    if (!m_painted && m_page >= 0) {
        m_painted = true;
        reportPainted();
    }
}

}  // namespace velumo
