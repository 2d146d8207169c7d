#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "fakes/testzip.h"

namespace velumo::test {

// A slide of a flat ODF presentation that a test writes itself.
struct TestSlide {
    const char* colour;    // "#ff0000"
    const char* duration;  // "PT2S", or nullptr for a slide that waits for the stop
    bool hidden = false;
};

// A flat ODF presentation (.fodp) of slides filled with one colour each.
inline QByteArray flatPresentation(const QList<TestSlide>& slides)
{
    QByteArray styles;
    QByteArray pages;
    for (qsizetype i = 0; i < slides.size(); ++i) {
        const TestSlide& slide = slides[i];
        const QByteArray name = "dp" + QByteArray::number(i + 1);
        styles += "<style:style style:name=\"" + name +
                  "\" style:family=\"drawing-page\"><style:drawing-page-properties "
                  "draw:fill=\"solid\" draw:fill-color=\"" +
                  slide.colour + "\"";
        if (slide.duration)
            styles += QByteArray(
                          " presentation:transition-type=\"automatic\" "
                          "presentation:duration=\"") +
                      slide.duration + "\"";
        if (slide.hidden)
            styles += " presentation:visibility=\"hidden\"";
        styles += "/></style:style>\n";
        pages += "<draw:page draw:name=\"s" + QByteArray::number(i + 1) + "\" draw:style-name=\"" +
                 name + "\" draw:master-page-name=\"Default\"/>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<office:document "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
           "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
           "xmlns:presentation=\"urn:oasis:names:tc:opendocument:xmlns:presentation:1.0\" "
           "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
           "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
           "office:version=\"1.3\" "
           "office:mimetype=\"application/vnd.oasis.opendocument.presentation\">\n"
           "<office:automatic-styles>\n" +
           styles +
           "</office:automatic-styles>\n"
           "<office:master-styles><style:master-page style:name=\"Default\"/>"
           "</office:master-styles>\n"
           "<office:body><office:presentation>\n" +
           pages + "</office:presentation></office:body></office:document>\n";
}

// An ODF presentation (.odp) of the same slides: the flat document as its content.xml.
inline QByteArray odfPackage(const QList<TestSlide>& slides)
{
    QByteArray content = flatPresentation(slides);
    content.replace("<office:document ", "<office:document-content ");
    content.replace("</office:document>", "</office:document-content>");
    return zipArchive({{"mimetype", "application/vnd.oasis.opendocument.presentation", false},
                       {"content.xml", content}});
}

// A slide of a PowerPoint 2007 presentation that a test writes itself.
struct TestPowerPointSlide {
    const char* advanceMs;  // advTm, or nullptr for a slide that waits for the stop
    bool hidden = false;
    // The transition twice in mc:AlternateContent, as PowerPoint and LibreOffice write it.
    bool alternate = true;
};

// A PowerPoint 2007 presentation (.pptx). The slide parts are named in the reverse of their
// order and lie in the package in no particular order, so only the presentation's slide list
// gives the order.
inline QByteArray powerPointPackage(const QList<TestPowerPointSlide>& slides)
{
    const QByteArray namespaces =
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
        "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
        "xmlns:p14=\"http://schemas.microsoft.com/office/powerpoint/2010/main\" "
        "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"";
    QByteArray ids;
    QByteArray rels =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
        "relationships/theme\" Target=\"theme/theme1.xml\"/>";
    QList<TestZipEntry> parts;
    for (qsizetype i = 0; i < slides.size(); ++i) {
        const TestPowerPointSlide& slide = slides[i];
        const QByteArray id = "rId" + QByteArray::number(i + 2);
        const QByteArray file = "slide" + QByteArray::number(slides.size() - i) + ".xml";
        ids += "<p:sldId id=\"" + QByteArray::number(256 + i) + "\" r:id=\"" + id + "\"/>";
        // Every other target absolute from the package's root, as some writers do.
        rels += "<Relationship Id=\"" + id +
                "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                "slide\" Target=\"" +
                (i % 2 ? "/ppt/slides/" : "slides/") + file + "\"/>";
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<p:sld " +
                         namespaces + (slide.hidden ? " show=\"0\"" : "") +
                         "><p:cSld><p:spTree/></p:cSld>";
        if (slide.advanceMs) {
            const QByteArray transition =
                QByteArray("<p:transition spd=\"slow\" advTm=\"") + slide.advanceMs + "\"/>";
            if (slide.alternate)
                xml += "<mc:AlternateContent><mc:Choice Requires=\"p14\">" + transition +
                       "</mc:Choice><mc:Fallback>" + transition +
                       "</mc:Fallback></mc:AlternateContent>";
            else
                xml += transition;
        }
        xml += "</p:sld>";
        parts.append({"ppt/slides/" + file, xml});
    }
    rels += "</Relationships>";
    const QByteArray presentation =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<p:presentation " +
        namespaces + "><p:sldIdLst>" + ids +
        "</p:sldIdLst><p:sldSz cx=\"9144000\" cy=\"6858000\"/></p:presentation>";
    // The slides around the presentation's parts, the last slide first.
    QList<TestZipEntry> entries{{"[Content_Types].xml", "<Types/>"}};
    for (qsizetype i = parts.size() - 1; i >= parts.size() / 2; --i)
        entries.append(parts[i]);
    entries.append({"ppt/presentation.xml", presentation});
    entries.append({"ppt/_rels/presentation.xml.rels", rels});
    for (qsizetype i = parts.size() / 2 - 1; i >= 0; --i)
        entries.append(parts[i]);
    return zipArchive(entries);
}

}  // namespace velumo::test
