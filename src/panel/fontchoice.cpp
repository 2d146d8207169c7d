#include "fontchoice.h"

#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/wincolor.h"
#include "ticker/tickerfont.h"

namespace velumo {

int fontPointSize(const QFont& font)
{
    if (font.pointSize() > 0)
        return font.pointSize();
    if (font.pointSizeF() > 0)
        return qRound(font.pointSizeF());
    // A pixel-sized font: points at 96 pixels an inch, as the fields count them.
    return qMax(1, qRound(font.pixelSize() * 72.0 / 96.0));
}

void storeTickerFontChoice(Settings& settings, const QFont& font, const QColor& colour)
{
    const int style = styleNumber(font);
    settings.setText(key::SCEdit48, QString::number(style));
    settings.setText(key::SCEdit87, styleName(style));
    settings.setText(key::SCEdit6, font.family());
    settings.setText(key::SCEdit18, QString::number(fontPointSize(font)));
    settings.setText(key::SCEdit21, QString::number(numberFromColor(colour)));
}

void storeColourChoice(Settings& settings, const char* field, const QColor& colour)
{
    settings.setText(QString::fromLatin1(field), QString::number(numberFromColor(colour)));
}

void storeTemporaryFont(Settings& settings, const QFont& font)
{
    settings.setText(key::SCEdit82, font.family());
    settings.setText(key::SCEdit85, QString::number(fontPointSize(font)));
}

int recomputeClockFontSize(Settings& settings)
{
    const int size = settings.integer(key::SCEdit18) - settings.integer(key::SCEdit40);
    settings.setText(key::SCEdit80, QString::number(size));
    return size;
}

}  // namespace velumo
