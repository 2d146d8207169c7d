#include "slideshowtiming.h"

#include <QHash>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cmath>

#include "base/failure.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"

namespace velumo::slideshowtiming {

namespace {

const char* const kSlotFields[10] = {key::SCEdit58, key::SCEdit49, key::SCEdit50, key::SCEdit51,
                                     key::SCEdit52, key::SCEdit53, key::SCEdit54, key::SCEdit55,
                                     key::SCEdit56, key::SCEdit57};

// Rounds to the nearest integer, a half to the even neighbour, whatever the floating-point
// environment is set to.
long long roundHalfEven(double value)
{
    const double floor = std::floor(value);
    const double rest = value - floor;
    auto whole = static_cast<long long>(floor);
    if (rest > 0.5 || (rest == 0.5 && whole % 2 != 0))
        ++whole;
    return whole;
}

}  // namespace

int showSeconds(const QList<std::optional<double>>& durations)
{
    long long total = 0;
    for (const std::optional<double>& seconds : durations)
        if (seconds && std::isfinite(*seconds) && *seconds > 0)
            total += roundHalfEven(*seconds);
    // Timer_ppt takes T × 1000 ms in an int.
    return int(std::min<long long>(total, 2'000'000));
}

QString label133Text(int seconds, int slides)
{
    return QString::number(seconds) + QStringLiteral(" с или ") + QString::number(seconds / 60) +
           QStringLiteral("мин.") + QString::number(seconds % 60) + QStringLiteral(" сек. для ") +
           QString::number(slides) + QStringLiteral(" слайдов");
}

QString slideShowFile(const Settings& settings, Notifier& notifier, const QString& fileName)
{
    if (fileName.size() >= 3)
        return fileName;
    int number = 0;
    try {
        number = strToInt(fileName);
    } catch (const Failure&) {
        notifier.message(QString::fromUtf16(kBadFileNumber) + fileName);
    }
    if (number < 0 || number > 9)
        return fileName;
    const QString file = settings.text(QString::fromLatin1(kSlotFields[number]));
    return file.isEmpty() ? fileName : file;
}

std::optional<double> parseDuration(QStringView text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^P(?:(\d+)D)?T?(?:(\d+)H)?(?:(\d+)M)?(?:(\d+(?:[.,]\d*)?)S)?$)"));
    const QString trimmed = text.trimmed().toString();
    const QRegularExpressionMatch match = pattern.match(trimmed);
    if (!match.hasMatch() || trimmed.size() < 2 || trimmed.endsWith(u'T'))
        return std::nullopt;
    auto number = [&](int group) {
        QString part = match.captured(group);
        part.replace(u',', u'.');
        return part.isEmpty() ? 0.0 : part.toDouble();
    };
    return number(1) * 86400 + number(2) * 3600 + number(3) * 60 + number(4);
}

QList<SlideTiming> readFlatOdp(const QByteArray& document)
{
    const QString kPresentationNs =
        QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:presentation:1.0");
    const QString kDrawNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
    const QString kStyleNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
    const QString kOfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");

    QHash<QString, SlideTiming> styles;
    QList<QString> pageStyles;
    bool presentation = false;
    QString style;
    QXmlStreamReader xml(document);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        const QStringView ns = xml.namespaceUri();
        const QXmlStreamAttributes attributes = xml.attributes();
        if (ns == kStyleNs && name == u"style") {
            style = attributes.value(kStyleNs, QStringLiteral("name")).toString();
        } else if (ns == kStyleNs && name == u"drawing-page-properties") {
            SlideTiming& timing = styles[style];
            timing.hidden =
                attributes.value(kPresentationNs, QStringLiteral("visibility")) == u"hidden";
            // A slide that waits for a click has no time of its own.
            const bool manual =
                attributes.value(kPresentationNs, QStringLiteral("transition-type")) == u"manual";
            if (!manual)
                timing.seconds =
                    parseDuration(attributes.value(kPresentationNs, QStringLiteral("duration")));
        } else if (ns == kOfficeNs && name == u"presentation") {
            presentation = true;
        } else if (ns == kDrawNs && name == u"page" && presentation) {
            pageStyles.append(attributes.value(kDrawNs, QStringLiteral("style-name")).toString());
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError())
        throw Failure(QStringLiteral("the presentation's text is not readable: %1 (line %2)")
                          .arg(xml.errorString())
                          .arg(xml.lineNumber()));
    if (!presentation)
        throw Failure(QStringLiteral("the document is not a presentation"));
    QList<SlideTiming> slides;
    slides.reserve(pageStyles.size());
    for (const QString& name : pageStyles)
        slides.append(styles.value(name));
    return slides;
}

}  // namespace velumo::slideshowtiming
