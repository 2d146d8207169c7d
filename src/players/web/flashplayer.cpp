#include "flashplayer.h"

#include <QFileInfo>

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "players/contentkind.h"
#include "players/playerplacement.h"
#include "players/web/flashsurface.h"

namespace velumo {

FlashPlayer::FlashPlayer(Settings& settings, EventLog& log, const Clock& clock,
                         FlashSurface& surface)
    : m_settings(settings), m_log(log), m_clock(clock), m_surface(surface)
{
    connectGuarded(&m_surface, &FlashSurface::playing, this,
                   Origin::unattended(QStringLiteral("flashplayer")), &FlashPlayer::onPlaying);
    connectGuarded(&m_surface, &FlashSurface::failed, this,
                   Origin::unattended(QStringLiteral("flashplayer")), &FlashPlayer::onFailed);
}

QString FlashPlayer::movieField(const Settings& settings, const QString& slot)
{
    const int k = strToInt(slot == u"0" ? QStringLiteral("10") : slot);
    const QString name = QStringLiteral("SCEdit") + QString::number(k + 48);
    if (!settings.contains(name) || settings.entry(name).kind != ControlKind::Text)
        return QString();
    return name;
}

void FlashPlayer::start(const PlayerRequest& request)
{
    // The slot must be a number, as for startf; the movie itself came with the request.
    movieField(m_settings, request.slot);
    load(request.target, true, request.slot);
    m_surface.setWindowRect(request.rect);
    showAndPlay();
}

void FlashPlayer::startf(const QString& slot)
{
    const QString field = movieField(m_settings, slot);
    load(field.isEmpty() ? QString() : m_settings.text(field), false, slot);
    moveToSettings();
    showAndPlay();
}

void FlashPlayer::stop()
{
    clearByHand();
    m_waitingForPicture = false;
    m_surface.stopMovie();
    m_surface.hideWindow();
}

void FlashPlayer::moveflashwindow(int left, int width, int top, int height)
{
    m_surface.setWindowRect(QRect(left, top, width, height));
}

void FlashPlayer::moveToSettings()
{
    m_surface.setWindowRect(playerplacement::rect(m_settings, kinds::kFlash));
}

void FlashPlayer::showAndPlay()
{
    m_surface.showWindow();
    m_surface.play();
}

void FlashPlayer::SCButton86Click()
{
    load(m_settings.text(key::SCEdit99), false, QString());
    showAndPlay();
    moveToSettings();
}

void FlashPlayer::SCButton88Click()
{
    moveToSettings();
    load(m_settings.text(key::SCEdit99), false, QString());
    showAndPlay();
}

void FlashPlayer::SCButton83Click()
{
    stop();
}

bool FlashPlayer::visible() const
{
    return m_surface.windowVisible();
}

void FlashPlayer::load(const QString& file, bool fromDispatcher, const QString& slot)
{
    m_movie = file;
    m_slot = slot;
    m_fromDispatcher = fromDispatcher;
    m_loadedAtMs = m_clock.monotonicMs();
    m_waitingForPicture = false;
    if (fromDispatcher) {
        clearByHand();
    } else {
        write(QStringLiteral("started ") + subject());
        showByHand(slot, file);
    }
    // The window is shown all the same, black.
    if (file.trimmed().isEmpty()) {
        m_surface.loadMovie(QString());
        onFailed(QStringLiteral("no movie file"));
        return;
    }
    const QFileInfo info(file);
    if (!info.isFile()) {
        m_surface.loadMovie(QString());
        onFailed(QStringLiteral("file not found"));
        return;
    }
    m_waitingForPicture = true;
    m_surface.loadMovie(info.absoluteFilePath());
}

void FlashPlayer::onPlaying()
{
    if (!m_waitingForPicture)
        return;
    m_waitingForPicture = false;
    write(QStringLiteral("first picture after %1 ms: %2")
              .arg(m_clock.monotonicMs() - m_loadedAtMs)
              .arg(subject()));
    if (m_fromDispatcher)
        emit onScreen();
}

void FlashPlayer::onFailed(const QString& reason)
{
    m_waitingForPicture = false;
    if (m_fromDispatcher) {
        emit failed(reason);
    } else {
        write(QStringLiteral("failed ") + subject() + QStringLiteral(": ") + reason);
        clearByHand();
    }
}

QString FlashPlayer::subject() const
{
    QString text = QChar(kinds::kFlash);
    if (!m_slot.isEmpty())
        text += u' ' + m_slot;
    if (!m_movie.isEmpty())
        text += u' ' + m_movie;
    return text;
}

void FlashPlayer::write(const QString& text)
{
    m_log.write(QStringLiteral("player"), text);
}

}  // namespace velumo
