#pragma once

#include <QStringList>
#include <array>

#include "fakes/recordedwindow.h"
#include "players/clip/clipengine.h"

namespace velumo::test {

// A clip engine that records what it is asked ("load 0 /a.mp4", "showDeck 0", "blank"...) and
// lets the test play the media's part: first pictures, progress, ends and failures.
class RecordingClipEngine final : public ClipEngine, public RecordedWindow {
public:
    void place(const QRect& r) override { recordPlace(r); }
    void showWindow() override { recordShow(); }
    void hideWindow() override { recordHide(); }
    void blank() override { calls.append(QStringLiteral("blank")); }
    void load(int deck, quint64 ticket, const QString& file) override
    {
        tickets[deck] = ticket;
        calls.append(QStringLiteral("load %1 %2").arg(deck).arg(file));
    }
    void play(int deck) override { calls.append(QStringLiteral("play %1").arg(deck)); }
    void pause(int deck) override { calls.append(QStringLiteral("pause %1").arg(deck)); }
    void unload(int deck) override { calls.append(QStringLiteral("unload %1").arg(deck)); }
    void showDeck(int deck) override { calls.append(QStringLiteral("showDeck %1").arg(deck)); }

    // The media's part, about the deck's latest load.
    void picture(int deck) { emit firstFrame(deck, tickets[deck]); }
    void progress(int deck, qint64 ms) { emit progressed(deck, tickets[deck], ms); }
    void end(int deck) { emit ended(deck, tickets[deck]); }
    void fail(int deck, const QString& why) { emit failed(deck, tickets[deck], why); }

    // What was asked since the last look.
    QStringList take()
    {
        QStringList taken = calls;
        calls.clear();
        return taken;
    }

    std::array<quint64, kDecks> tickets{};
};

}  // namespace velumo::test
