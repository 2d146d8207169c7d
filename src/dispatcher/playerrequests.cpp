#include "playerrequests.h"

#include "dispatcher/scheduleline.h"
#include "dispatcher/slottable.h"
#include "players/playerplacement.h"
#include "players/slideshowtiming.h"

namespace velumo::playerrequests {

namespace {

PlayerRequest build(const Settings& settings, Notifier& notifier, QChar letter, QString slot)
{
    PlayerRequest request;
    request.letter = letter;
    if (letter == u'f')
        slot = slot.trimmed();
    request.slot = slot;
    switch (letter.unicode()) {
        case u'k':
        case u'b':
        case u'f':
        case u'w':
            request.target = SlotTable::text(settings, letter, slot);
            break;
        case u'p':
            request.target = slideshowtiming::slideShowFile(settings, notifier, slot);
            break;
        default:
            break;
    }
    request.rect = playerplacement::rect(settings, letter);
    request.screen = playerplacement::screen(settings, letter);
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
    return playerChoice == 0 ? u'k' : u'b';
}

PlayerRequest resolveAvi(const Settings& settings, Notifier& notifier, QChar letter,
                         const QString& line)
{
    const qsizetype at = line.indexOf(letter);
    const QString slot = at >= 0 ? line.mid(at + 1, 1) : scheduleline::slotDigit(line);
    return build(settings, notifier, letter, slot);
}

}  // namespace velumo::playerrequests
