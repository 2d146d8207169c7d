#pragma once

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

}  // namespace velumo
