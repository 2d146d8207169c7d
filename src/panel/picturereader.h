#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "base/textfile.h"
#include "panel/picturesource.h"

namespace velumo {

class Worker;

// Reads the pictures of the thematic icons off the user-interface thread. Everything the image
// plugins know (BMP, PNG, GIF, JPEG, TIFF...) is decoded by a worker; a Windows metafile (WMF)
// is converted to SVG by wmf2svg (libwmf) in a process of its own, so a slow or broken file
// never holds up the interface.
class PictureReader final : public QObject, public PictureSource {
    Q_OBJECT
public:
    explicit PictureReader(QObject* parent = nullptr);
    ~PictureReader() override;  // a read going on is given a bounded time, then left

    static constexpr int kConverterTimeoutMs = 15000;
    static constexpr qint64 kMaxFileBytes = kMaxPictureFileBytes;
    static constexpr int kMaxMetafileSidePx = 2048;

    void read(const QString& path, Done done, Failed failed) override;

    // The first bytes of a Windows metafile (placeable or plain).
    static bool isMetafile(const QByteArray& head);
    // Draws SVG text into a picture of its own size (bounded). Empty image when invalid.
    static QImage renderSvg(const QByteArray& svg);

    // The converter program (tests point it elsewhere).
    void setConverter(const QString& program) { m_converter = program; }

private:
    void convertMetafile(const QString& path, Done done, Failed failed);

    QString m_converter = QStringLiteral("wmf2svg");
    std::unique_ptr<Worker> m_worker;
};

}  // namespace velumo
