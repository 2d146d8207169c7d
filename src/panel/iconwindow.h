#pragma once

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QStringList>
#include <QWidget>

#include "panel/iconview.h"

class QBuffer;
class QMediaPlayer;
class QMovie;
class QVideoWidget;

namespace velumo {

class BorderMenu;
class Notifier;
class Settings;

// The thematic icon beside the strip (Tformicon): a picture stretched over the whole window,
// or an animation looping in a player that fills it. Placed from the settings when shown.
class IconWindow final : public QWidget, public IconView {
    Q_OBJECT
public:
    IconWindow(Settings& settings, Notifier& notifier, QWidget* parent = nullptr);
    ~IconWindow() override;

    // IconView: the window itself.
    void showIcon() override { show(); }
    void hideIcon() override { hide(); }
    bool iconShown() const override { return isVisible(); }
    // Picture: the player is stopped and hidden, the picture shown (painted at once when the
    // window is). movie (the bytes of an animated GIF) plays in place of the still picture when
    // given.
    void showPicture(const QImage& picture, const QByteArray& movie = {}) override;
    // Animation: the player fills the window, takes the file and loops it, in front of the
    // picture, which stays as it was underneath. Throws Failure when the file cannot be opened
    // (the player is then not started), also when the player has failed on the same file.
    void playAnimation(const QString& path) override;
    // No icon: picture and player are hidden; the player is not stopped.
    void hideContent() override;

    void setBackgroundColour(const QColor& colour);
    void setTransparentColour(const QColor& colour, bool enabled);

    bool pictureVisible() const { return m_pictureVisible; }
    bool animationVisible() const;
    bool animationRunning() const { return m_animationRunning; }
    QString animationFile() const { return m_animationFile; }
    const QImage& picture() const { return m_picture; }
    bool movieRunning() const;
    BorderMenu* borderMenu() const { return m_borderMenu; }

    // Players kept for animation files seen last, so that switching between slots never waits
    // for a player to stop or to load.
    static constexpr int kKeptPlayers = 10;
    // An animation file that has not loaded by then cannot be played.
    static constexpr int kLoadTimeoutMs = 5000;

signals:
    // The player could not play the animation file (it stays hidden).
    void animationFailed(const QString& error);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Player {
        QMediaPlayer* player = nullptr;
        QVideoWidget* video = nullptr;
    };
    Player playerFor(const QString& absolutePath);
    void dropPlayer(const QString& absolutePath);
    void markUnplayable(const QString& absolutePath, const QString& reason);
    void stopAnimation();
    void stopMovie();
    void updateShown();

    Settings& m_settings;
    Notifier& m_notifier;
    BorderMenu* m_borderMenu = nullptr;
    QImage m_picture;
    QImage m_shown;
    QMovie* m_movie = nullptr;
    QBuffer* m_movieData = nullptr;
    QHash<QString, Player> m_players;
    // Files the player could not play, with their modification time: they fail at once until
    // the file changes.
    QHash<QString, QDateTime> m_unplayable;
    QStringList m_playerOrder;  // least recently used first
    Player m_current;
    QString m_animationFile;
    bool m_pictureVisible = true;
    bool m_animationRunning = false;
    QColor m_background = Qt::white;
    QColor m_transparent;
    bool m_transparentOn = false;
};

}  // namespace velumo
