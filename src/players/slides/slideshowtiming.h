#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

namespace velumo {

class Notifier;
class Settings;
class ZipArchive;

// The arithmetic and texts of a slide show that need no window: the show time, the summary
// label, the slot lookup of StartPPT and the slide durations and hidden flags that the
// presentation files carry.
namespace slideshowtiming {

inline constexpr char16_t kBadFileNumber[] = u"Некорректно задан номер файла ";

// The show time T in whole seconds: after each slide T becomes T + its duration rounded to
// the nearest integer, a half going to the even neighbour. A slide without a duration adds 0.
int showSeconds(const QList<std::optional<double>>& durations);

// Label133: "95 с или 1мин.35 сек. для 12 слайдов".
QString label133Text(int seconds, int slides);

// StartPPT's file: a name of three characters or more is used unchanged; a shorter one is a
// slot number (one that is no number is reported and taken as 0), and a slot 0 to 9 whose file
// field is set gives that file. Any other number or an empty slot leaves the name as it is.
QString slideShowFile(const Settings& settings, Notifier& notifier, const QString& fileName);

// An ISO 8601 duration as flat ODF writes it ("PT2S", "PT00H01M35S", "PT1.5S"), in seconds.
std::optional<double> parseDuration(QStringView text);

struct SlideTiming {
    bool hidden = false;
    // Seconds until the slide advances by itself; none when it waits for the stop.
    std::optional<double> seconds;
};

// The slides of a flat ODF presentation in their order, with the duration and the hidden flag
// of each (both kept in the slide's drawing-page style). Throws Failure when the text is not a
// presentation.
QList<SlideTiming> readFlatOdp(const QByteArray& document);

// The slides of an ODF presentation (.odp): its content.xml holds the pages and their
// drawing-page styles just as a flat ODF does. Throws Failure.
QList<SlideTiming> readOdp(ZipArchive& package);

// The slides of an Office Open XML presentation (.pptx, .ppsx) in the order of the
// presentation's slide list: a slide is hidden when its p:sld says show="0", and its duration is
// the advTm (milliseconds) of its transition. Throws Failure when the package or a slide of it
// cannot be read.
QList<SlideTiming> readOfficeOpenXml(ZipArchive& package);

// The slides of a presentation file read from the file itself, for the kinds that need no
// LibreOffice for it (.pptx, .ppsx, .odp, .fodp); none for the binary PowerPoint kinds (.ppt,
// .pps). Throws Failure when the file cannot be read as its kind says.
std::optional<QList<SlideTiming>> readPresentation(const QString& file);

}  // namespace slideshowtiming

}  // namespace velumo
