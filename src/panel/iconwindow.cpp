#include "iconwindow.h"

#include <QBuffer>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QMovie>
#include <QPainter>
#include <QShowEvent>
#include <QUrl>
#include <QVideoWidget>

#include "app/failure.h"
#include "app/guard.h"
#include "panel/accessorygeometry.h"
#include "panel/bordermenu.h"
#include "panel/clockwindow.h"

namespace velumo {

IconWindow::IconWindow(Settings& settings, Notifier& notifier, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool
                          | Qt::WindowDoesNotAcceptFocus),
      m_settings(settings),
      m_notifier(notifier)
{
    setObjectName(QStringLiteral("Tformicon"));
    setAttribute(Qt::WA_TranslucentBackground);
    resize(119, 115);
    m_borderMenu = new BorderMenu(this, notifier, [this](const QRect& geometry) {
        storeIconGeometry(m_settings, geometry);
    });
}

IconWindow::~IconWindow() = default;

bool IconWindow::animationVisible() const
{
    return m_video && !m_video->isHidden();
}

bool IconWindow::movieRunning() const
{
    return m_movie && m_movie->state() == QMovie::Running;
}

void IconWindow::ensurePlayer()
{
    if (m_player)
        return;
    m_video = new QVideoWidget(this);
    m_video->setObjectName(QStringLiteral("Animate1"));
    m_video->setAspectRatioMode(Qt::IgnoreAspectRatio);
    m_video->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_video->hide();
    m_player = new QMediaPlayer(this);
    m_player->setVideoOutput(m_video);
    m_player->setLoops(QMediaPlayer::Infinite);
    // A file the player cannot play leaves the picture underneath on show.
    connect(m_player, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& text) {
                m_animationRunning = false;
                m_video->hide();
                emit animationFailed(QStringLiteral("%1: %2").arg(m_animationFile, text));
            });
}

void IconWindow::stopAnimation()
{
    if (!m_player)
        return;
    // Stopping a running pipeline takes a while: only when it really runs.
    if (m_animationRunning)
        m_player->stop();
    m_animationRunning = false;
    m_video->lower();
    m_video->hide();
}

void IconWindow::stopMovie()
{
    if (!m_movie)
        return;
    m_movie->stop();
    delete m_movie;
    m_movie = nullptr;
    delete m_movieData;
    m_movieData = nullptr;
}

void IconWindow::showPicture(const QImage& picture, const QByteArray& movie)
{
    stopAnimation();
    stopMovie();
    m_picture = picture;
    if (!movie.isEmpty()) {
        m_movieData = new QBuffer(this);
        m_movieData->setData(movie);
        m_movieData->open(QIODevice::ReadOnly);
        m_movie = new QMovie(m_movieData, QByteArray(), this);
        m_movie->setCacheMode(QMovie::CacheAll);
        connect(m_movie, &QMovie::frameChanged, this, [this] {
            updateShown();
            update();
        });
        m_movie->start();
    }
    m_pictureVisible = true;
    updateShown();
    update();
}

void IconWindow::playAnimation(const QString& path)
{
    ensurePlayer();
    m_video->setGeometry(rect());
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        throw Failure(QStringLiteral("Cannot open AVI \"%1\"").arg(path));
    stopMovie();
    const QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
    if (m_player->source() != url)
        m_player->setSource(url);
    m_animationFile = path;
    m_video->show();
    m_player->play();
    m_animationRunning = true;
    m_video->raise();
}

void IconWindow::hideContent()
{
    m_pictureVisible = false;
    if (m_video)
        m_video->hide();
    update();
}

void IconWindow::setBackgroundColour(const QColor& colour)
{
    m_background = colour;
    update();
}

void IconWindow::setTransparentColour(const QColor& colour, bool enabled)
{
    m_transparent = colour;
    m_transparentOn = enabled;
    updateShown();
    update();
}

void IconWindow::updateShown()
{
    const QImage source = m_movie ? m_movie->currentImage() : m_picture;
    m_shown = m_transparentOn && !source.isNull() ? withTransparentColour(source, m_transparent)
                                                  : source;
}

void IconWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const bool keyed = m_transparentOn && m_background.rgb() == m_transparent.rgb();
    painter.fillRect(rect(), keyed ? QColor(Qt::transparent) : m_background);
    if (m_pictureVisible && !m_shown.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), m_shown);
    }
}

void IconWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_video)
        m_video->setGeometry(rect());
}

void IconWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    guarded(m_notifier, [this] { setGeometry(iconGeometry(m_settings)); });
}

}  // namespace velumo
