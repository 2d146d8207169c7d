#include "slideshowwindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPdfDocument>
#include <QResizeEvent>
#include <QScreen>

namespace velumo {

SlideShowWindow::SlideShowWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      m_document(new QPdfDocument(this))
{
    setObjectName(QStringLiteral("SlideShowWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    resize(300, 400);
}

SlideShowWindow::~SlideShowWindow() = default;

bool SlideShowWindow::open(const QString& pagesFile, QString* reason)
{
    m_document->close();
    m_page = -1;
    m_picture = QImage();
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
    render();
    if (!isVisible())
        show();
    repaint();
}

void SlideShowWindow::render()
{
    if (m_page < 0 || m_page >= m_document->pageCount()) {
        m_picture = QImage();
        return;
    }
    QSizeF points = m_document->pagePointSize(m_page);
    if (points.isEmpty())
        points = QSizeF(width(), height());
    const QSize fitted = points.scaled(QSizeF(size()), Qt::KeepAspectRatio).toSize();
    m_picture = fitted.isEmpty() ? QImage() : m_document->render(m_page, fitted);
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
    m_document->close();
    m_page = -1;
    m_picture = QImage();
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
}

}  // namespace velumo
