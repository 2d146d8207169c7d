#pragma once

#include <QList>
#include <QString>

namespace velumo::dvdfolder {

// A DVD on disk is named by its VIDEO_TS folder, a file in it (VIDEO_TS.IFO or any .ifo), or the
// folder that holds VIDEO_TS. The titles and their lengths come from the IFO files, read here
// without any DVD library; the disc must be unencrypted (a copied or authored folder).

// The folder that holds VIDEO_TS, which the DVD readers take as their device; empty when the
// name is no DVD.
QString deviceOf(const QString& name);
// Whether a name means a DVD (an .ifo file, or a folder that is or holds VIDEO_TS).
bool isDvdName(const QString& name);
// The length of each title in milliseconds, title 1 first; empty when the IFO files cannot be
// read.
QList<qint64> titleLengthsMs(const QString& device);
// The number of the longest title (the first of equally long ones), 0 when there is none.
int longestTitle(const QString& device);

// The media source of a title for the clip decks: "dvd://title-N#DEVICE" (the device percent-
// encoded). Title and device are handed to GStreamer's DVD reader when it is made (dvdsource):
// its own reading of the address would take neither.
QString sourceOf(const QString& device, int title);
// The device and the title of such a source; empty and 0 for any other source.
QString deviceOfSource(const QString& source);
int titleOfSource(const QString& source);

}  // namespace velumo::dvdfolder
