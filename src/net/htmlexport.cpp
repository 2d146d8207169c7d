#include "htmlexport.h"

#include "base/failure.h"
#include "base/textfile.h"

namespace velumo {

namespace {

// Text for the page: markup characters become entities, characters the page's code page lacks
// become numeric references.
QString escapeHtml(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const char32_t c : text.toUcs4()) {
        switch (c) {
            case U'&':
                out += QLatin1String("&amp;");
                break;
            case U'<':
                out += QLatin1String("&lt;");
                break;
            case U'>':
                out += QLatin1String("&gt;");
                break;
            case U'"':
                out += QLatin1String("&quot;");
                break;
            default: {
                const QString one = QString::fromUcs4(&c, 1);
                if (c >= 0x80 && decodeCp1251(encodeCp1251(one)) != one)
                    out += QStringLiteral("&#%1;").arg(uint(c));
                else
                    out += one;
            }
        }
    }
    return out;
}

}  // namespace

QStringList strToHtmlLines(const QStringList& lines, const QDateTime& now)
{
    QStringList page = {
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<title>Бегущая строка</title>"),
        QStringLiteral(
            "<meta http-equiv=\"content-type\" content=\"text/html; charset=windows-1251\">"),
        QStringLiteral("</head>"),
        QStringLiteral("<body bgcolor=\"#CCFFCC\" text=\"black\" link=\"blue\" vlink=\"purple\" "
                       "alink=\"red\">"),
        QStringLiteral("<p align=\"center\"><b>Бегущая строка на ") +
            now.toString(u"dd.MM.yyyy hh:mm:ss") + QStringLiteral(" </b></p>"),
    };
    static constexpr char16_t kMarkers[] = u"<>][{}^#";
    for (const QString& line : lines) {
        if (line.startsWith(u'^') || line.startsWith(u'~'))
            continue;
        QString text = line.size() >= 3 ? line.mid(1, line.size() - 2) : QString();
        text = trimControl(text);
        if (text.size() < 2)
            continue;
        for (const char16_t marker : std::u16string_view(kMarkers)) {
            const qsizetype at = text.indexOf(QChar(marker));
            if (at >= 0)
                text.remove(at, 1);
        }
        page.append(QStringLiteral("<p> ") + escapeHtml(text) + QStringLiteral("</p>"));
    }
    page.append(QStringLiteral("</body>"));
    page.append(QStringLiteral("</html>"));
    return page;
}

void FileStrToHtml(const QString& source, const QString& target, const QDateTime& now)
{
    writeTextLines(target, strToHtmlLines(readTextLines(source), now));
}

}  // namespace velumo
