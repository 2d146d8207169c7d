#pragma once

#include <QImage>
#include <algorithm>

namespace velumo::test {

// A picture of a single colour: a strip between two announcements, on which no motion can be
// seen, so the time it shows nothing is not counted as the strip standing still.
inline bool oneColour(const QImage& image)
{
    if (image.isNull())
        return false;
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    const QRgb first = pixels.pixel(0, 0);
    for (int y = 0; y < pixels.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        if (!std::all_of(line, line + pixels.width(), [first](QRgb c) { return c == first; }))
            return false;
    }
    return true;
}

}  // namespace velumo::test
