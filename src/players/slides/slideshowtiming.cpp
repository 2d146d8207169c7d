#include "slideshowtiming.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <cmath>

#include "base/failure.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "players/slides/ziparchive.h"

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

// PresentationML and its relationships, in the transitional and the strict namespaces.
bool isPresentationMl(QStringView ns)
{
    return ns == u"http://schemas.openxmlformats.org/presentationml/2006/main" ||
           ns == u"http://purl.oclc.org/ooxml/presentationml/main";
}
bool isRelationships(QStringView ns)
{
    return ns == u"http://schemas.openxmlformats.org/officeDocument/2006/relationships" ||
           ns == u"http://purl.oclc.org/ooxml/officeDocument/relationships";
}
const QString kMarkupCompatibilityNs =
    QStringLiteral("http://schemas.openxmlformats.org/markup-compatibility/2006");

void throwIfUnreadable(const QXmlStreamReader& xml, const QString& part)
{
    if (xml.hasError())
        throw Failure(QStringLiteral("%1 is not readable: %2 (line %3)")
                          .arg(part, xml.errorString())
                          .arg(xml.lineNumber()));
}

// The parts that the relationships of `part` name, by relationship id, as names inside the
// package ("ppt/slides/slide1.xml").
QHash<QString, QString> relationships(ZipArchive& package, const QString& part)
{
    const QString folder = QFileInfo(part).path();
    const QString relsPart =
        folder + QStringLiteral("/_rels/") + QFileInfo(part).fileName() + QStringLiteral(".rels");
    QHash<QString, QString> targets;
    QXmlStreamReader xml(package.read(relsPart));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (attributes.value(QStringLiteral("TargetMode")) == u"External")
            continue;
        const QString target = QUrl::fromPercentEncoding(
            attributes.value(QStringLiteral("Target")).toString().toUtf8());
        QString name = target.startsWith(u'/') ? target.mid(1) : folder + u'/' + target;
        name = QDir::cleanPath(name);
        if (name.startsWith(u"../") || name == u"..")
            continue;
        targets.insert(attributes.value(QStringLiteral("Id")).toString(), name);
    }
    throwIfUnreadable(xml, relsPart);
    return targets;
}

// One slide part: its hidden flag and the advTm of its transition. PowerPoint writes the
// transition twice inside mc:AlternateContent (a Choice for newer readers, a Fallback for
// older ones): the first one counts.
SlideTiming readSlide(ZipArchive& package, const QString& part)
{
    SlideTiming slide;
    QXmlStreamReader xml(package.read(part));
    QList<QString> path;  // "p:name" or "mc:name" of the open elements
    bool sld = false;
    bool transition = false;
    while (!xml.atEnd() && !transition) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            path.removeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView ns = xml.namespaceUri();
        const QString name = (isPresentationMl(ns)           ? QStringLiteral("p:")
                              : ns == kMarkupCompatibilityNs ? QStringLiteral("mc:")
                                                             : QStringLiteral("?:")) +
                             xml.name().toString();
        path.append(name);
        if (path.size() == 1) {
            if (name != u"p:sld")
                throw Failure(part + QStringLiteral(" is no slide"));
            sld = true;
            const QStringView show = xml.attributes().value(QStringLiteral("show"));
            slide.hidden = show == u"0" || show == u"false";
        } else if (name == u"p:transition" &&
                   (path.size() == 2 || (path.size() == 4 && path[1] == u"mc:AlternateContent" &&
                                         (path[2] == u"mc:Choice" || path[2] == u"mc:Fallback")))) {
            transition = true;
            bool ok = false;
            const qulonglong ms = xml.attributes().value(QStringLiteral("advTm")).toULongLong(&ok);
            if (ok)
                slide.seconds = double(ms) / 1000;
        }
    }
    throwIfUnreadable(xml, part);
    if (!sld)
        throw Failure(part + QStringLiteral(" is no slide"));
    return slide;
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

QList<SlideTiming> readOdp(ZipArchive& package)
{
    return readFlatOdp(package.read(QStringLiteral("content.xml")));
}

QList<SlideTiming> readOfficeOpenXml(ZipArchive& package)
{
    const QString main = QStringLiteral("ppt/presentation.xml");
    const QHash<QString, QString> parts = relationships(package, main);
    QStringList slideParts;
    bool presentation = false;
    QXmlStreamReader xml(package.read(main));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement ||
            !isPresentationMl(xml.namespaceUri()))
            continue;
        if (xml.name() == u"presentation") {
            presentation = true;
        } else if (xml.name() == u"sldIdLst") {
            while (xml.readNextStartElement()) {
                if (isPresentationMl(xml.namespaceUri()) && xml.name() == u"sldId") {
                    QString id;
                    for (const QXmlStreamAttribute& attribute : xml.attributes())
                        if (attribute.name() == u"id" && isRelationships(attribute.namespaceUri()))
                            id = attribute.value().toString();
                    const auto part = parts.constFind(id);
                    if (part == parts.constEnd())
                        throw Failure(QStringLiteral("%1 names slide %2, which it does not hold")
                                          .arg(main, id));
                    slideParts.append(*part);
                }
                xml.skipCurrentElement();
            }
        }
    }
    throwIfUnreadable(xml, main);
    if (!presentation)
        throw Failure(main + QStringLiteral(" is no presentation"));
    QList<SlideTiming> slides;
    slides.reserve(slideParts.size());
    for (const QString& part : slideParts)
        slides.append(readSlide(package, part));
    return slides;
}

std::optional<QList<SlideTiming>> readPresentation(const QString& file)
{
    const QString kind = QFileInfo(file).suffix().toLower();
    if (kind == u"fodp") {
        QFile flat(file);
        if (!flat.open(QIODevice::ReadOnly))
            throw Failure(flat.fileName() + QStringLiteral(": ") + flat.errorString());
        return readFlatOdp(flat.readAll());
    }
    if (kind == u"odp") {
        ZipArchive package(file);
        return readOdp(package);
    }
    if (kind == u"pptx" || kind == u"ppsx") {
        ZipArchive package(file);
        return readOfficeOpenXml(package);
    }
    return std::nullopt;
}

}  // namespace velumo::slideshowtiming
