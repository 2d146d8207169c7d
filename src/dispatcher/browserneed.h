#pragma once

#include <QStringList>

namespace velumo {

class Settings;

namespace browserneed {

// Whether this run may show a web page or a Flash movie, so the browser engine is started at
// start-up, before the strip is on air (its start holds the user-interface thread for about
// half a second in one piece): a web address of today or tomorrow (the slots of the kinds whose
// pages it shows, ContentKind::browser, and SCEdit2w*), the page button's own address once it
// is not the design value (SCEdit36), a movie (.swf) in a slot of the kinds whose movies it
// shows or in the movie buttons' field (SCEdit99), or a line of those kinds in the plan: the
// one loaded, or while none is, the plan file (SCEditn10) as the dispatcher's start will read
// it. A page or movie first set while the program runs starts the engine at its first
// show.
bool atStartUp(const Settings& settings, const QStringList& plan);
// Whether that includes a Flash movie (a movie in a slot or in the buttons' field, a line):
// then Ruffle is loaded and compiled at start-up too.
bool moviesAtStartUp(const Settings& settings, const QStringList& plan);

// Whether a line of the plan is of a kind the browser shows (ContentKind::browser), and of
// one whose movies it shows.
bool inPlan(const QStringList& plan);
bool moviesInPlan(const QStringList& plan);

}  // namespace browserneed

}  // namespace velumo
