#pragma once

#include <QObject>
#include <QRect>
#include <QString>

namespace velumo {

// What the internal clip player drives: the clip window and two decks that each play one
// file. A deck loads a file prepared paused and reports its first picture; the window shows
// the pictures of one deck at a time and keeps the last one it showed until it is blanked, so
// a change from one deck to the other shows no empty frame. Every deck request carries the
// ticket of its load; reports carry it back, so the player can tell a stale report from one
// about the file it asked for. Nothing here blocks the calling thread.
class ClipEngine : public QObject {
    Q_OBJECT
public:
    static constexpr int kDecks = 2;

    using QObject::QObject;

    // The window: its rectangle, shown or hidden (never takes the focus), and black.
    virtual void place(const QRect& rect) = 0;
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    virtual void blank() = 0;

    // Loads a file into a deck and prepares it paused; firstFrame follows. A DVD title comes as
    // its dvdfolder::sourceOf() source.
    virtual void load(int deck, quint64 ticket, const QString& file) = 0;
    virtual void play(int deck) = 0;
    virtual void pause(int deck) = 0;
    // Empties the deck (the media's teardown runs elsewhere).
    virtual void unload(int deck) = 0;
    // The window shows this deck from now on: its latest picture at once, if it has one.
    virtual void showDeck(int deck) = 0;

signals:
    void firstFrame(int deck, quint64 ticket);
    // Playback goes on: a new picture or a new position.
    void progressed(int deck, quint64 ticket, qint64 positionMs);
    void ended(int deck, quint64 ticket);
    void failed(int deck, quint64 ticket, const QString& reason);
};

}  // namespace velumo
