#include "iconwindow.h"

#include <QBuffer>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QMovie>
#include <QPainter>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <QVideoWidget>

#include "base/failure.h"
#include "base/guard.h"
#include "panel/bordermenu.h"
#include "panel/clockwindow.h"
#include "ticker/accessorygeometry.h"

namespace velumo {

IconWindow::IconWindow(Settings& settings, Notifier& notifier, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                          Qt::WindowDoesNotAcceptFocus),
      m_settings(settings),
      m_notifier(notifier)
{
    setObjectName(QStringLiteral("Tformicon"));
    setAttribute(Qt::WA_TranslucentBackground);
    resize(119, 115);
    m_borderMenu = new BorderMenu(
        this, notifier, [this](const QRect& geometry) { storeIconGeometry(m_settings, geometry); });
}

IconWindow::~IconWindow() = default;

bool IconWindow::animationVisible() const
{
    return m_current.video && !m_current.video->isHidden();
}

bool IconWindow::movieRunning() const
{
    return m_movie && m_movie->state() == QMovie::Running;
}

IconWindow::Player IconWindow::playerFor(const QString& absolutePath)
{
    m_playerOrder.removeOne(absolutePath);
    m_playerOrder.append(absolutePath);
    if (auto it = m_players.constFind(absolutePath); it != m_players.constEnd())
        return *it;
    while (m_playerOrder.size() > kKeptPlayers)
        dropPlayer(m_playerOrder.first());

    Player p;
    p.video = new QVideoWidget(this);
    p.video->setObjectName(QStringLiteral("Animate1"));
    p.video->setAspectRatioMode(Qt::IgnoreAspectRatio);
    p.video->setAttribute(Qt::WA_TransparentForMouseEvents);
    p.video->hide();
    p.player = new QMediaPlayer(this);
    p.player->setVideoOutput(p.video);
    p.player->setLoops(QMediaPlayer::Infinite);
    p.player->setSource(QUrl::fromLocalFile(absolutePath));
    // A file the player cannot play uncovers the picture underneath and fails at once from
    // then on, until it is replaced. Not every such file raises an error: one that has not
    // loaded after a while counts as unplayable too.
    connectGuarded(p.player, &QMediaPlayer::errorOccurred, this,
                   Origin::unattended(QStringLiteral("iconwindow")),
                   [this, absolutePath](QMediaPlayer::Error, const QString& text) {
                       markUnplayable(absolutePath, text);
                   });
    connectGuarded(p.player, &QMediaPlayer::mediaStatusChanged, this,
                   Origin::unattended(QStringLiteral("iconwindow")),
                   [this, absolutePath](QMediaPlayer::MediaStatus status) {
                       if (status == QMediaPlayer::InvalidMedia)
                           markUnplayable(absolutePath, QStringLiteral("invalid media"));
                   });
    singleShotGuarded(
        kLoadTimeoutMs, p.player, Origin::unattended(QStringLiteral("icons")),
        [this, absolutePath, player = p.player] {
            const QMediaPlayer::MediaStatus status = player->mediaStatus();
            if (status == QMediaPlayer::NoMedia || status == QMediaPlayer::LoadingMedia ||
                status == QMediaPlayer::StalledMedia)
                markUnplayable(absolutePath, QStringLiteral("the file does not load"));
        });
    m_players.insert(absolutePath, p);
    return p;
}

void IconWindow::markUnplayable(const QString& absolutePath, const QString& reason)
{
    const Player failed = m_players.value(absolutePath);
    if (!failed.player || m_unplayable.contains(absolutePath))
        return;
    m_unplayable.insert(absolutePath, QFileInfo(absolutePath).lastModified());
    if (m_current.player == failed.player && m_animationRunning) {
        m_animationRunning = false;
        failed.player->pause();
    }
    failed.video->hide();
    emit animationFailed(QStringLiteral("Cannot play AVI \"%1\": %2").arg(absolutePath, reason));
}

void IconWindow::dropPlayer(const QString& absolutePath)
{
    m_playerOrder.removeOne(absolutePath);
    const Player p = m_players.take(absolutePath);
    if (!p.player)
        return;
    if (m_current.player == p.player) {
        m_current = Player();
        m_animationRunning = false;
    }
    p.player->deleteLater();
    p.video->deleteLater();
}

void IconWindow::stopAnimation()
{
    if (!m_current.player)
        return;
    // Paused, not stopped: stopping a pipeline holds the interface up for a while.
    if (m_animationRunning)
        m_current.player->pause();
    m_animationRunning = false;
    m_current.video->lower();
    m_current.video->hide();
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
        connectGuarded(m_movie, &QMovie::frameChanged, this,
                       Origin::unattended(QStringLiteral("iconwindow")), [this] {
                           updateShown();
                           update();
                       });
        m_movie->start();
    }
    m_pictureVisible = true;
    updateShown();
    repaint();
}

void IconWindow::playAnimation(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        throw Failure(QStringLiteral("Cannot open AVI \"%1\"").arg(path));
    const QString absolutePath = file.absoluteFilePath();
    if (auto it = m_unplayable.constFind(absolutePath); it != m_unplayable.constEnd()) {
        if (*it == file.lastModified())
            throw Failure(QStringLiteral("Cannot play AVI \"%1\"").arg(path));
        m_unplayable.remove(absolutePath);
        dropPlayer(absolutePath);
    }
    stopMovie();
    const Player next = playerFor(absolutePath);
    if (m_current.player && m_current.player != next.player) {
        m_current.player->pause();
        m_current.video->hide();
    }
    m_current = next;
    m_animationFile = path;
    m_current.video->setGeometry(rect());
    m_current.video->show();
    m_current.player->play();
    m_animationRunning = true;
    m_current.video->raise();
}

void IconWindow::hideContent()
{
    m_pictureVisible = false;
    if (m_current.video)
        m_current.video->hide();
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
    m_shown =
        m_transparentOn && !source.isNull() ? withTransparentColour(source, m_transparent) : source;
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
    if (m_current.video)
        m_current.video->setGeometry(rect());
}

void IconWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    guarded(m_notifier, [this] { setGeometry(iconGeometry(m_settings)); });
}

}  // namespace velumo
