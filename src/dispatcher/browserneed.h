#pragma once

#include <QStringList>

namespace velumo {

class Settings;

namespace browserneed {

// Whether this run may show a web page or a Flash movie, so the browser engine is started at
// start-up, before the strip is on air (its start holds the user-interface thread for longer
// than a frame): a web address of today or tomorrow (SCEdit1w*, SCEdit2w*), a movie (.swf) in
// a slot the f lines play, or a line of a kind that needs the browser in the plan: the one
// loaded, or while none is, the plan file (SCEditn10) as the dispatcher's start will read it.
bool atStartUp(const Settings& settings, const QStringList& plan);

// Whether a line of the plan is of a kind the browser shows (ContentKind::needsBrowser).
bool inPlan(const QStringList& plan);

}  // namespace browserneed

}  // namespace velumo
