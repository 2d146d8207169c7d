#pragma once

namespace velumo::dvdsource {

// Makes every dvd:// address play through GStreamer's DVD title reader (dvdreadsrc), without
// the menus, and every DVD reader that a media player creates for a dvdfolder::sourceOf() source
// read the folder named in it (the reader itself only takes a title from its address and would open
// the drive). Once GStreamer is initialised (a media player exists); any thread; once is enough.
void prepare();

}  // namespace velumo::dvdsource
