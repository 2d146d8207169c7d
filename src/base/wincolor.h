#pragma once

#include <cmath>

#include <QColor>

namespace velumo {

// Colours are stored as the platform's colour numbers: red in the low byte, then green, then
// blue (65535 is yellow).
inline QColor colorFromNumber(int number)
{
    return QColor(number & 0xFF, (number >> 8) & 0xFF, (number >> 16) & 0xFF);
}

inline int numberFromColor(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

// Black or white, whichever stands out more on the colour. Brightness is the eye's relative
// luminance, not HSL lightness: pure yellow has a lightness of 127, yet white digits on it
// cannot be read.
inline QColor readableTextColor(const QColor& background)
{
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double luminance = 0.2126 * linear(background.red()) +
                             0.7152 * linear(background.green()) +
                             0.0722 * linear(background.blue());
    // Contrast with black, (L + 0.05) / 0.05, beats contrast with white, 1.05 / (L + 0.05).
    return (luminance + 0.05) * (luminance + 0.05) >= 0.05 * 1.05 ? QColor(Qt::black)
                                                                  : QColor(Qt::white);
}

}  // namespace velumo
