#pragma once

#include <QChar>
#include <QString>
#include <span>

namespace velumo {

// The letters of the content kinds, for the code that belongs to one kind (its player, its
// handlers by name); everything else about a kind is in its row of the table below.
namespace kinds {
inline constexpr char16_t kTickerText = u's';
inline constexpr char16_t kClip = u'k';
inline constexpr char16_t kExternal = u'b';
inline constexpr char16_t kSlideShow = u'p';
inline constexpr char16_t kFlash = u'f';
inline constexpr char16_t kWeb = u'w';
inline constexpr char16_t kCapture = u't';
}  // namespace kinds

// One content kind of the plan's lines, one row of the table that every place dealing with
// kinds reads: the plan's lines and their check, the dispatcher's start and stop handlers, the
// slot table, the players' placement and registry, the on-air model and its readers (the
// service's status line, velumo.state, the fleet's status and alarms). A new kind is a new row,
// its player and its tests.
struct ContentKind {
    // The column of the dispatcher page's slot fields its slot digit names.
    enum class SlotColumn { None, String, Clip, Web };
    // How a start finds the file or address its slot names.
    enum class Target {
        None,           // nothing (the capture; the ticker text loads its own block)
        SlotField,      // the text of the slot's field
        SlideShowFile,  // StartPPT's file (slideshowtiming::slideShowFile)
    };
    // What the station must have to show it.
    enum class Needs { Nothing, LibreOffice, Ruffle, CaptureDevice };
    // What the browser engine shows of it, which is started ahead when a run may show it.
    enum class Browser {
        None,
        Pages,   // its slots' addresses
        Movies,  // the Flash movies (.swf) among the files of its slots
    };

    struct Tone {
        const char* box;
        const char* frequency;
    };
    struct Pin {
        const char* box;
        const char* number;
    };
    // The current-entry fields of a group of the dispatcher page.
    struct EntryFields {
        const char* slot;
        const char* duration;
        const char* stop;
        const char* start;
    };
    // The fields of the window's rectangle: spinners, or text fields holding integers.
    struct Placement {
        const char* left;
        const char* top;
        const char* width;
        const char* height;
        bool textFields = false;
    };

    char16_t letter = 0;

    // Its names.
    // The fleet status's "kind" of its content on air; nullptr: the letter.
    const char* fleetName = nullptr;
    // The handlers' ContentKind after its start; nullptr leaves it (the ticker text).
    const char* entryKind = nullptr;
    // Its member of the status's "players", and its name in the frozen-player alarm.
    const char* statusMember = nullptr;
    // Its name in the service's status line, and its place there.
    const char* statusLineName = nullptr;
    int statusLinePlace = 0;
    // The named operations of its start and stop handlers, and its stop timer.
    const char* startHandler = nullptr;
    const char* stopHandler = nullptr;
    const char* stopTimer = nullptr;

    // Its content and where it goes. Every kind but the ticker text has a player.
    bool hasPlayer = true;
    SlotColumn slotColumn = SlotColumn::None;
    Target target = Target::None;
    // The slot text is trimmed before it names its file.
    bool slotTrimmed = false;
    // Null: no window of ours (the external player places its own).
    const Placement* placement = nullptr;
    // A box that puts the content on the second screen instead of its rectangle.
    const char* directOutput = nullptr;
    // The clip page's player choice its start sets (ClipPlayerChoice); -1 leaves it.
    int clipChoice = -1;
    Needs needs = Needs::Nothing;
    Browser browser = Browser::None;
    // Its player tries failed content again while the entry runs, and content that loads at a
    // later try comes back on the screen ("recovered"); the others stay off for the entry.
    bool comesBack = false;

    // Its handlers: fields, tones and pin of its group of the dispatcher page, and what its
    // stop does.
    const EntryFields* fields = nullptr;
    const Tone* startTone = nullptr;
    const Tone* stopTone = nullptr;
    const Pin* pin = nullptr;
    bool pinDropsAtStop = false;
    // The stop empties the current-entry fields.
    bool stopEmptiesFields = false;
    // A stop code of its letter and "z" parks instead of stopping.
    bool parks = false;
    // Its start asks BroadcastMute to mute the output while it runs.
    bool mutes = false;
    // The ticker comes to the front of its window.
    bool tickerToFront = false;
    // Failures of its stop are of no consequence.
    bool stopIgnoresFailures = false;
    // The content's own end ends its entry (the slide show after its last slide).
    bool endsEntry = false;

    // The frozen-player alarm: how long its picture may stand still, and stay black, on air;
    // 0: its window is not watched.
    qint64 stillLimitMs = 0;
    qint64 blackLimitMs = 0;

    QChar qLetter() const { return QChar(letter); }
    // The fleet's name of the kind.
    QString fleetKind() const;
    // Its slots name files (the web pages' hold addresses; the capture has none).
    bool slotNamesFile() const
    {
        return slotColumn == SlotColumn::String || slotColumn == SlotColumn::Clip;
    }
    // What the fleet's on_air calls its content: "address" or "file".
    QString targetName() const;

    // Every kind, the ticker text first, then the players' kinds in the order in which
    // velumo.state and the fleet list their content.
    static std::span<const ContentKind> all();
    // The row of a letter; null for a letter of no kind.
    static const ContentKind* find(QChar letter);
    // The same for a one-character text (a plan line's letter); null for any other.
    static const ContentKind* find(const QString& letter);
    // The row of a letter that is in the table.
    static const ContentKind& of(QChar letter);
    // The position of a kind in the table.
    static qsizetype indexOf(const ContentKind& kind) { return &kind - all().data(); }
    // The letters of the kinds that answer yes, in the table's order.
    template <typename Test>
    static QString letters(Test&& test)
    {
        QString out;
        for (const ContentKind& kind : all())
            if (test(kind))
                out += kind.qLetter();
        return out;
    }
};

}  // namespace velumo
