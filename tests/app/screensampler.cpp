// Reads the screen of an X display as fast as it can be read and tells when each colour it
// looks for first covers a patch of it: the moment a content's first picture was really on the
// screen, to hold against what the program recorded.
//
//   screen_sampler SECONDS NAME=RRGGBB...
//
// The screen is read whole (the X server's picture, as a viewer would see it); a colour is there
// when at least kPatch points of a 16-pixel grid are within kTolerance of it in each channel.
// For each colour the first sight is printed as
//   seen NAME BEFORE AFTER
// in milliseconds since the epoch: the last read that did not show it began at BEFORE, the first
// one that did ended at AFTER, so the picture came in between. A colour already on the screen
// at the start is printed as "already NAME". At the end: "reads N, longest M ms".
//
//   screen_sampler --gaps SECONDS
//
// finds the band of the screen that moves most (the strip: the run of rows with the most pixels
// changed in 300 ms), reads only that band for SECONDS and prints the longest time the band stood
// still, "band TOP HEIGHT, reads N, longest read M ms, largest gap G ms, 99th percentile P ms":
// what a viewer sees of the strip's repaint gaps. A band of one colour (the strip empty between
// two announcements) shows no motion either way and is not counted as still.
#include <QDateTime>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "fakes/onecolour.h"

namespace {

constexpr int kGrid = 16;
constexpr int kPatch = 6;
constexpr int kTolerance = 48;

struct Wanted {
    QString name;
    QRgb colour = 0;
    bool seen = false;
};

bool shows(const QImage& image, QRgb colour)
{
    int found = 0;
    for (int y = kGrid / 2; y < image.height(); y += kGrid) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = kGrid / 2; x < image.width(); x += kGrid) {
            const QRgb pixel = line[x];
            if (std::abs(qRed(pixel) - qRed(colour)) <= kTolerance &&
                std::abs(qGreen(pixel) - qGreen(colour)) <= kTolerance &&
                std::abs(qBlue(pixel) - qBlue(colour)) <= kTolerance && ++found >= kPatch)
                return true;
        }
    }
    return false;
}

}  // namespace

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

int gaps(QScreen* screen, qint64 seconds)
{
    const QImage a = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    const qint64 pause = now() + 300;
    while (now() < pause) {
    }
    const QImage b = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    // Rows with a few changed pixels, in runs (a row or two of stillness inside a line of text
    // allowed); the run with the most change is the strip.
    QList<int> changed(std::min(a.height(), b.height()), 0);
    for (int y = 0; y < changed.size(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            changed[y] += ra[x] != rb[x];
    }
    int top = -1;
    int bottom = -1;
    qint64 best = 0;
    for (int y = 0; y < changed.size();) {
        if (changed[y] < 8) {
            ++y;
            continue;
        }
        int last = y;
        qint64 sum = 0;
        for (int z = y; z < changed.size() && z <= last + 3; ++z) {
            if (changed[z] >= 8) {
                last = z;
                sum += changed[z];
            }
        }
        if (sum > best) {
            best = sum;
            top = y;
            bottom = last;
        }
        y = last + 1;
    }
    const int height = bottom - top + 1;
    const qint64 end = now() + seconds * 1000;
    QImage last;
    qint64 lastChange = -1;
    qint64 reads = 0;
    qint64 longestRead = 0;
    QList<qint64> stills;
    while (now() < end) {
        const qint64 before = now();
        const QImage band = screen->grabWindow(0, 0, top, a.width(), height).toImage();
        const qint64 after = now();
        ++reads;
        longestRead = std::max(longestRead, after - before);
        if (band != last) {
            if (lastChange >= 0)
                stills.append(after - lastChange);
            lastChange = after;
            last = band;
        } else if (velumo::test::oneColour(band)) {
            lastChange = after;  // an empty strip: nothing to time, and no still either
        }
    }
    std::sort(stills.begin(), stills.end());
    const qint64 largest = stills.isEmpty() ? -1 : stills.last();
    const qint64 p99 = stills.isEmpty() ? -1 : stills[qsizetype(double(stills.size() - 1) * 0.99)];
    std::printf(
        "band %d %d, reads %lld, longest read %lld ms, changes %lld, largest gap %lld ms, "
        "99th percentile %lld ms\n",
        top, height, reads, longestRead, qint64(stills.size()), largest, p99);
    return 0;
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() == 2 && arguments[0] == u"--gaps") {
        QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? gaps(screen, arguments[1].toLongLong()) : 3;
    }
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: screen_sampler SECONDS NAME=RRGGBB...\n");
        return 2;
    }
    const qint64 end = QDateTime::currentMSecsSinceEpoch() + arguments[0].toLongLong() * 1000;
    QList<Wanted> wanted;
    for (const QString& argument : arguments.mid(1)) {
        const QStringList parts = argument.split(u'=');
        if (parts.size() != 2)
            return 2;
        wanted.append({parts[0], QRgb(parts[1].toUInt(nullptr, 16)), false});
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 3;
    qint64 reads = 0;
    qint64 longest = 0;
    qint64 lastBefore = -1;  // the start of the last read
    int left = int(wanted.size());
    while (left > 0 && QDateTime::currentMSecsSinceEpoch() < end) {
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const QImage image = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        ++reads;
        longest = std::max(longest, after - before);
        for (Wanted& w : wanted) {
            if (w.seen || !shows(image, w.colour))
                continue;
            w.seen = true;
            --left;
            if (lastBefore < 0)
                std::printf("already %s\n", qPrintable(w.name));
            else
                std::printf("seen %s %lld %lld\n", qPrintable(w.name), lastBefore, after);
            std::fflush(stdout);
        }
        if (lastBefore < 0) {
            std::printf("ready\n");
            std::fflush(stdout);
        }
        lastBefore = before;
    }
    std::printf("reads %lld, longest %lld ms\n", reads, longest);
    return 0;
}
