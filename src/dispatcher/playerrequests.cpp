#include "playerrequests.h"

#include "dispatcher/scheduleline.h"
#include "dispatcher/slottable.h"
#include "players/clip/clipplayerchoice.h"
#include "players/contentkind.h"
#include "players/playerplacement.h"
#include "players/slides/slideshowtiming.h"

namespace velumo::playerrequests {

namespace {

PlayerRequest build(const Settings& settings, Notifier& notifier, QChar letter, QString slot)
{
    PlayerRequest request;
    request.letter = letter;
    const ContentKind* kind = ContentKind::find(letter);
    if (!kind) {
        request.slot = slot;
        return request;
    }
    if (kind->slotTrimmed)
        slot = slot.trimmed();
    request.slot = slot;
    switch (kind->target) {
        case ContentKind::Target::SlotField:
            request.target = SlotTable::text(settings, letter, slot);
            break;
        case ContentKind::Target::SlideShowFile:
            request.target = slideshowtiming::slideShowFile(settings, notifier, slot);
            break;
        case ContentKind::Target::None:
            break;
    }
    request.rect = playerplacement::rect(settings, *kind);
    request.screen = playerplacement::screen(settings, *kind);
    return request;
}

}  // namespace

PlayerRequest resolve(const Settings& settings, Notifier& notifier, QChar letter,
                      const QString& line)
{
    return build(settings, notifier, letter, scheduleline::slotDigit(line));
}

QChar clipPlayerLetter(int playerChoice)
{
    return ClipPlayerChoice::letterOf(playerChoice);
}

PlayerRequest resolveAvi(const Settings& settings, Notifier& notifier, QChar letter,
                         const QString& line)
{
    const qsizetype at = line.indexOf(letter);
    const QString slot = at >= 0 ? line.mid(at + 1, 1) : scheduleline::slotDigit(line);
    return build(settings, notifier, letter, slot);
}

}  // namespace velumo::playerrequests
