#pragma once

#include <QChar>
#include <QRect>

namespace velumo {

class Settings;

// Where the window of each content kind goes, from its settings: the one place that knows which
// fields hold a kind's rectangle. The dispatcher's requests and the players' own buttons both
// take their rectangles from here.
namespace playerplacement {

// The window rectangle of a content letter: the spinners of k (SpinEdit19…22), p
// (SpinEdit26…29), f (SpinEdit45…48) and t (SpinEdit53…56), the text fields of w (top SCEdit38,
// left SCEdit39, width SCEdit44, height SCEdit46, converted in that order: the first that is no
// integer throws Failure). Null for b (the external player places its own window) and for a
// letter without a window.
QRect rect(const Settings& settings, QChar letter);

// The screen a letter's content fills instead of its rectangle: the second screen (1) for a
// slide show with direct output (SCCheckbox27); -1 otherwise.
int screen(const Settings& settings, QChar letter);

}  // namespace playerplacement

}  // namespace velumo
