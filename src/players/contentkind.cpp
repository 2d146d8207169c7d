#include "contentkind.h"

#include <limits>
#include <stdexcept>

#include "base/settingskeys.h"

namespace velumo {

namespace {

using Kind = ContentKind;

// The two groups of the page "Порты диспетчера": the ticker text's and the clips'.
constexpr Kind::Tone kStringStartTone{key::SCCheckBox4, key::SCEdit69};
constexpr Kind::Tone kStringStopTone{key::SCCheckBox5, key::SCEdit70};
constexpr Kind::Pin kStringPin{key::SCCheckBox2, key::SpinEdit9};
constexpr Kind::Tone kClipStartTone{key::SCCheckBox1, key::SCEdit71};
constexpr Kind::Tone kClipStopTone{key::SCCheckBox3, key::SCEdit72};
constexpr Kind::Pin kClipPin{key::SCCheckBox8, key::SpinEdit10};

// The current-entry fields of the two groups: slot, duration, stop time, start moment.
constexpr Kind::EntryFields kStringFields{key::SCEditn4, key::SCEditn5, key::SCEditn6,
                                          key::SCEditn9};
constexpr Kind::EntryFields kClipFields{key::SCEditn1, key::SCEditn2, key::SCEditn3, key::SCEditn8};

// The windows' rectangles: left, top, width, height. The web window's are text fields, read
// in the order top, left, width, height.
constexpr Kind::Placement kClipPlace{key::SpinEdit19, key::SpinEdit21, key::SpinEdit20,
                                     key::SpinEdit22};
constexpr Kind::Placement kSlidePlace{key::SpinEdit26, key::SpinEdit28, key::SpinEdit27,
                                      key::SpinEdit29};
constexpr Kind::Placement kFlashPlace{key::SpinEdit45, key::SpinEdit47, key::SpinEdit46,
                                      key::SpinEdit48};
constexpr Kind::Placement kWebPlace{key::SCEdit39, key::SCEdit38, key::SCEdit44, key::SCEdit46,
                                    true};
constexpr Kind::Placement kCapturePlace{key::SpinEdit53, key::SpinEdit55, key::SpinEdit54,
                                        key::SpinEdit56};

// How long a player's picture may stand still on air: a clip moves; a slide stands for its
// time; a web page may stand for ever. None of them should stay black.
constexpr qint64 kMovingStillMs = 20'000;
constexpr qint64 kSlideStillMs = 15 * 60'000;
constexpr qint64 kForeverMs = std::numeric_limits<qint64>::max();
constexpr qint64 kBlackMs = 20'000;

const Kind kKinds[] = {
    // The ticker text: the strip's block, with handlers of its own; a park ("sz") differs only
    // at the next string start.
    {.letter = kinds::kTickerText,
     .startHandler = "StartStringEntry",
     .stopHandler = "StopStringEntry",
     .stopTimer = "Timer1stops",
     .hasPlayer = false,
     .slotColumn = Kind::SlotColumn::String,
     .fields = &kStringFields,
     .startTone = &kStringStartTone,
     .stopTone = &kStringStopTone,
     .pin = &kStringPin,
     .pinDropsAtStop = true,
     .stopEmptiesFields = true,
     .parks = true},
    {.letter = kinds::kClip,
     .fleetName = "clip",
     .entryKind = "avi",
     .statusMember = "clip",
     .statusLineName = "клип",
     .statusLinePlace = 0,
     .startHandler = "StartClipEntry",
     .stopHandler = "StopClipEntry",
     .stopTimer = "Timer1stopk",
     .slotColumn = Kind::SlotColumn::Clip,
     .target = Kind::Target::SlotField,
     .placement = &kClipPlace,
     .clipChoice = 0,
     .fields = &kClipFields,
     .startTone = &kClipStartTone,
     .stopTone = &kClipStopTone,
     .pin = &kClipPin,
     .pinDropsAtStop = true,
     .stopEmptiesFields = true,
     .parks = true,
     .tickerToFront = true,
     .stillLimitMs = kMovingStillMs,
     .blackLimitMs = kBlackMs},
    // The external player places its own window; no tones, no pin.
    {.letter = kinds::kExternal,
     .fleetName = "external",
     .entryKind = "bsp",
     .statusMember = "external",
     .statusLineName = "плеер",
     .statusLinePlace = 1,
     .startHandler = "StartBSPlayerEntry",
     .stopHandler = "StopBSPlayerEntry",
     .stopTimer = "TimerStopB",
     .slotColumn = Kind::SlotColumn::Clip,
     .target = Kind::Target::SlotField,
     .clipChoice = 1,
     .fields = &kClipFields,
     .stopEmptiesFields = true,
     .parks = true,
     .tickerToFront = true},
    // The slide show raises the pin of its group and leaves it up at its stop; with direct
    // output it fills the second screen.
    {.letter = kinds::kSlideShow,
     .fleetName = "slideshow",
     .entryKind = "ppt",
     .statusMember = "slides",
     .statusLineName = "слайды",
     .statusLinePlace = 3,
     .startHandler = "StartSlideShowEntry",
     .stopHandler = "StopPPT",
     .stopTimer = "TimerStopPPT",
     .slotColumn = Kind::SlotColumn::Clip,
     .target = Kind::Target::SlideShowFile,
     .placement = &kSlidePlace,
     .directOutput = key::SCCheckbox27,
     .needs = Kind::Needs::LibreOffice,
     .fields = &kClipFields,
     .startTone = &kClipStartTone,
     .pin = &kClipPin,
     .stopEmptiesFields = true,
     .parks = true,
     .tickerToFront = true,
     .endsEntry = true,
     .stillLimitMs = kSlideStillMs,
     .blackLimitMs = kBlackMs},
    // Flash movies share the clips' slots; their slot text is trimmed.
    {.letter = kinds::kFlash,
     .fleetName = "flash",
     .entryKind = "flash",
     .statusMember = "flash",
     .statusLineName = "флэш",
     .statusLinePlace = 4,
     .startHandler = "StartFlashEntry",
     .stopHandler = "StopFlashEntry",
     .stopTimer = "Timer1StopF",
     .slotColumn = Kind::SlotColumn::Clip,
     .target = Kind::Target::SlotField,
     .slotTrimmed = true,
     .placement = &kFlashPlace,
     .needs = Kind::Needs::Ruffle,
     .browser = Kind::Browser::Movies,
     .fields = &kClipFields,
     .tickerToFront = true,
     .stopIgnoresFailures = true},
    // The web page stays in front of the ticker; a page is drawn by the browser and may stand
    // still for ever.
    {.letter = kinds::kWeb,
     .fleetName = "web",
     .entryKind = "www",
     .statusMember = "web",
     .statusLineName = "веб",
     .statusLinePlace = 5,
     .startHandler = "StartWebEntry",
     .stopHandler = "HideWebWindow",
     .stopTimer = "Timer1stopw",
     .slotColumn = Kind::SlotColumn::Web,
     .target = Kind::Target::SlotField,
     .placement = &kWebPlace,
     .browser = Kind::Browser::Pages,
     .comesBack = true,
     .fields = &kClipFields,
     .stillLimitMs = kForeverMs,
     .blackLimitMs = kBlackMs},
    // The capture's live picture: no slot; its broadcast mutes the output.
    {.letter = kinds::kCapture,
     .fleetName = "capture",
     .entryKind = "tt",
     .statusMember = "capture",
     .statusLineName = "захват",
     .statusLinePlace = 2,
     .startHandler = "StartBroadcastEntry",
     .stopHandler = "StopBroadcastEntry",
     .stopTimer = "Timerstoptt",
     .placement = &kCapturePlace,
     .needs = Kind::Needs::CaptureDevice,
     .fields = &kClipFields,
     .mutes = true,
     .tickerToFront = true,
     .stillLimitMs = kMovingStillMs,
     .blackLimitMs = kBlackMs},
};

}  // namespace

QString ContentKind::fleetKind() const
{
    return fleetName ? QString::fromLatin1(fleetName) : QString(qLetter());
}

QString ContentKind::targetName() const
{
    return slotColumn == SlotColumn::Web ? QStringLiteral("address") : QStringLiteral("file");
}

std::span<const ContentKind> ContentKind::all()
{
    return kKinds;
}

const ContentKind* ContentKind::find(QChar letter)
{
    for (const ContentKind& kind : kKinds)
        if (kind.letter == letter.unicode())
            return &kind;
    return nullptr;
}

const ContentKind* ContentKind::find(const QString& letter)
{
    return letter.size() == 1 ? find(letter[0]) : nullptr;
}

const ContentKind& ContentKind::of(QChar letter)
{
    const ContentKind* kind = find(letter);
    if (!kind)
        throw std::logic_error("no content kind of this letter");
    return *kind;
}

}  // namespace velumo
