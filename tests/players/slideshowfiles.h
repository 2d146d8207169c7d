#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

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

}  // namespace velumo::test
