#include "tickerfont.h"

#include <QFontDatabase>

#include "base/settings.h"
#include "base/settingskeys.h"

namespace velumo {

int styleNumber(const QFont& font)
{
    return (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0) |
           (font.strikeOut() ? 8 : 0);
}

void applyStyleNumber(QFont& font, int number)
{
    if (number < 0 || number > 15)
        return;
    font.setBold(number & 1);
    font.setItalic(number & 2);
    font.setUnderline(number & 4);
    font.setStrikeOut(number & 8);
}

QString styleName(int number)
{
    if (number < 0 || number > 15)
        return QString();
    static const char* const kBase[] = {"Normal", "Bold", "Italic", "BoldItalic"};
    QString name = QString::fromLatin1(kBase[number & 3]);
    if (number & 4)
        name += QLatin1String(",Underline");
    if (number & 8)
        name += QLatin1String(",StrikeOut");
    return name;
}

QFont tickerFont(const Settings& settings)
{
    QFont font(settings.text(key::SCEdit6));
    if (!QFontDatabase::families().contains(font.family(), Qt::CaseInsensitive))
        font.setFamilies({settings.text(key::SCEdit6), QStringLiteral("DejaVu Sans"),
                          QStringLiteral("Sans Serif")});
    font.setPointSize(qBound(1, settings.integer(key::SCEdit18), 1000));
    applyStyleNumber(font, settings.integer(key::SCEdit48));
    return font;
}

}  // namespace velumo
