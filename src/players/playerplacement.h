#pragma once

#include <QChar>
#include <QRect>

namespace velumo {

class Settings;
struct ContentKind;

// Where the window of each content kind goes, from its settings: the fields of a kind's
// rectangle are in its row of the content-kind table (ContentKind::placement), and this is the
// one place that reads them. The dispatcher's requests and the players' own buttons both take
// their rectangles from here.
namespace playerplacement {

// The window rectangle of a kind: spinners, or (the web window) text fields converted in the
// order top, left, width, height, the first that is no integer throwing Failure. Null for a
// kind without a window of ours (the external player places its own) and for a letter of no
// kind.
QRect rect(const Settings& settings, const ContentKind& kind);
QRect rect(const Settings& settings, QChar letter);

// The screen a kind's content fills instead of its rectangle: the second screen (1) when its
// direct-output box is ticked (a slide show with SCCheckbox27); -1 otherwise.
int screen(const Settings& settings, const ContentKind& kind);
int screen(const Settings& settings, QChar letter);

}  // namespace playerplacement

}  // namespace velumo
