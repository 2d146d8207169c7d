#pragma once

#include <QStringList>

namespace velumo {

class Settings;

namespace browserneed {

// Whether this run may show a web page or a Flash movie, so the browser engine is started at
// start-up, before the strip is on air (its start holds the user-interface thread for about
// half a second in one piece): a web address of today or tomorrow (SCEdit1w*, SCEdit2w*), the
// page button's own address once it is not the design value (SCEdit36), a movie (.swf) in a
// slot the f lines play or in the movie buttons' field (SCEdit99), or a w or f line in the
// plan: the one loaded, or while none is, the plan file (SCEditn10) as the dispatcher's start
// will read it. A page or movie first set while the program runs starts the engine at its first
// show.
bool atStartUp(const Settings& settings, const QStringList& plan);
// Whether that includes a Flash movie (a movie in a slot or in the buttons' field, an f line):
// then Ruffle is loaded and compiled at start-up too.
bool moviesAtStartUp(const Settings& settings, const QStringList& plan);

// What is made ahead of the first page or movie: the browser engine with the first browsers,
// and with movies Ruffle too (its compilation keeps the processor busy a second or two).
struct Warmup {
    bool browsers = false;
    bool movies = false;
    bool operator==(const Warmup&) const = default;
};
// At start-up, the settings and the plan read (atStartUp, moviesAtStartUp).
Warmup forStartUp(const Settings& settings, const QStringList& plan);
// When the dispatcher starts a plan whose w or f lines the start-up did not see (a plan loaded
// later): only while the strip is not on air, since the warm-up holds the user-interface thread
// as long as a first show would.
Warmup forPlanStart(bool stripOnAir, const QStringList& plan);

}  // namespace browserneed

}  // namespace velumo
