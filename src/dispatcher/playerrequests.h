#pragma once

#include <QChar>
#include <QString>

#include "players/playerrequest.h"

namespace velumo {

class Notifier;
class Settings;

// What a schedule line asks of the player of its kind, worked out in one place for every kind:
// the slot, the file or address the slot names (by the rule of the kind), the window rectangle
// and the screen (playerplacement). The start handlers, StartAvi and the tests all build their
// requests here.
namespace playerrequests {

// The request of a start of a content letter (the start handler's, whose line has that letter
// at position 19) for a line, the slot being the character at position 20 (trimmed where the
// kind's row says so: a Flash movie). Slots name their file by the kind's row
// (ContentKind::target):
//  - the slot's field: the file or address field of the digit in the kind's column (SlotTable);
//    a slot that is no digit names nothing;
//  - StartPPT's file (slideshowtiming::slideShowFile: a slot that is no number is reported
//    through notifier and taken as 0; an empty field leaves the slot text);
//  - nothing (the capture).
// A web geometry field that is no integer throws Failure (after the address is looked up). A
// letter of no kind gets its letter and slot only.
PlayerRequest resolve(const Settings& settings, Notifier& notifier, QChar letter,
                      const QString& line);

// The content letter of the clip player chosen on the clip page (ClipControl::PlayerChoice):
// the kind whose row has that choice, 0 the internal window, any other the external player.
QChar clipPlayerLetter(int playerChoice);

// StartAvi's request for the chosen clip player (k or b) and the current line: the slot is the
// character after that letter at its first place in the line, else the line's slot digit.
PlayerRequest resolveAvi(const Settings& settings, Notifier& notifier, QChar letter,
                         const QString& line);

}  // namespace playerrequests

}  // namespace velumo
