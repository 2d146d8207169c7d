#pragma once

#include <QString>

namespace velumo::fleet {

// What a remote caller may pass to a verb of the control channel, declared per verb: the
// control channel's own arguments, narrowed for the fleet. A text, a number or one of a few
// words goes through; a file name never does (a caller from afar reaches no file of the
// station), so "screenshot" from the fleet takes none. A verb nobody declared takes nothing.
//
// An empty text when the command line may run; otherwise why not.
QString refuseFleetArguments(const QString& commandLine);

}  // namespace velumo::fleet
