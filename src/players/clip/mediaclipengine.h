#pragma once

#include <QImage>
#include <array>
#include <memory>

#include "players/clip/clipengine.h"

namespace velumo {

class ClipDeck;
class LoopThread;
class PictureWindow;

// The clip engine over Qt Multimedia: two decks, each a QMediaPlayer on a thread with an event
// loop of its own (LoopThread: the player reports through it), and the clip window that draws
// the pictures of the deck it shows. The window must outlive it.
class MediaClipEngine final : public ClipEngine {
    Q_OBJECT
public:
    explicit MediaClipEngine(PictureWindow& window, QObject* parent = nullptr);
    ~MediaClipEngine() override;

    void place(const QRect& rect) override;
    void showWindow() override;
    void hideWindow() override;
    void blank() override;
    void load(int deck, quint64 ticket, const QString& file) override;
    void play(int deck) override;
    void pause(int deck) override;
    void unload(int deck) override;
    void showDeck(int deck) override;

private:
    static constexpr int kShutDownMs = 2500;
    struct Slot {
        std::unique_ptr<LoopThread> thread;
        ClipDeck* deck = nullptr;
        quint64 ticket = 0;
        bool sawPicture = false;
        qint64 positionMs = 0;
        QImage latest;
    };

    void onPicture(int deck, quint64 ticket, const QImage& image);
    template <typename Call>
    void post(int deck, Call&& call);

    PictureWindow& m_window;
    std::array<Slot, kDecks> m_slots;
    int m_shown = -1;
};

}  // namespace velumo
