#include "picturereader.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>
#include <QTimer>

#include "base/guard.h"
#include "base/textfile.h"
#include "base/worker.h"

namespace velumo {

PictureReader::PictureReader(QObject* parent)
    : QObject(parent),
      m_worker(std::make_unique<Worker>(QStringLiteral("pictures"), Worker::Order::Parallel, 2))
{
}

PictureReader::~PictureReader() = default;

bool PictureReader::isMetafile(const QByteArray& head)
{
    if (head.startsWith(QByteArray::fromHex("d7cdc69a")))
        return true;
    // A plain metafile header: type 1 (memory) or 2 (disk), header size 9 words, version
    // 0x0100 or 0x0300.
    if (head.size() < 6)
        return false;
    auto word = [&](int at) { return quint16(uchar(head[at]) | (uchar(head[at + 1]) << 8)); };
    return (word(0) == 1 || word(0) == 2) && word(2) == 9 &&
           (word(4) == 0x0100 || word(4) == 0x0300);
}

QImage PictureReader::renderSvg(const QByteArray& svg)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return QImage();
    QSize size = renderer.defaultSize();
    if (size.isEmpty())
        size = QSize(64, 64);
    if (size.width() > kMaxMetafileSidePx || size.height() > kMaxMetafileSidePx)
        size.scale(kMaxMetafileSidePx, kMaxMetafileSidePx, Qt::KeepAspectRatio);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

namespace {

// What a worker finds in a picture file.
struct ReadResult {
    Picture picture;
    QString error;
    bool metafile = false;
};

ReadResult readFile(const QString& path)
{
    ReadResult result;
    QByteArray bytes;
    try {
        bytes = readFileBytes(path, PictureReader::kMaxFileBytes);
    } catch (...) {
        result.error = currentExceptionText();
        return result;
    }
    if (PictureReader::isMetafile(bytes.left(8))) {
        result.metafile = true;
        return result;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    result.picture.image = reader.read();
    if (result.picture.image.isNull()) {
        result.error =
            QStringLiteral("Cannot load picture \"%1\": %2").arg(path, reader.errorString());
        return result;
    }
    if (reader.supportsAnimation() && reader.imageCount() > 1)
        result.picture.movie = bytes;
    return result;
}

}  // namespace

void PictureReader::read(const QString& path, Done done, Failed failed)
{
    // The file is read and decoded by a worker; the outcome comes back to this thread, and is
    // dropped when the reader has gone in the meantime.
    m_worker->run(
        this, [path](const auto&) { return readFile(path); },
        [this, path, done = std::move(done),
         failed = std::move(failed)](const JobResult<ReadResult>& outcome) {
            if (!outcome.ok()) {
                failed(outcome.error);
                return;
            }
            const ReadResult& result = *outcome.value;
            if (result.metafile)
                convertMetafile(path, done, failed);
            else if (result.error.isEmpty())
                done(result.picture);
            else
                failed(result.error);
        });
}

void PictureReader::convertMetafile(const QString& path, Done done, Failed failed)
{
    auto* process = new QProcess(this);
    auto* timeout = new QTimer(process);
    timeout->setSingleShot(true);
    // finish() runs once: on the end of the process, a failure to start it, or the time-out.
    auto finished = std::make_shared<bool>(false);
    auto finish = [process, finished, path, done, failed](QString problem) {
        if (*finished)
            return;
        *finished = true;
        const QByteArray svg = process->readAllStandardOutput();
        if (problem.isEmpty() && process->exitCode() != 0)
            problem = QString::fromLocal8Bit(process->readAllStandardError()).trimmed();
        if (process->state() != QProcess::NotRunning)
            process->kill();
        process->deleteLater();
        Picture picture;
        if (problem.isEmpty()) {
            picture.image = renderSvg(svg);
            if (picture.image.isNull())
                problem = QStringLiteral("the metafile cannot be drawn");
        }
        if (!problem.isEmpty()) {
            failed(QStringLiteral("Cannot load picture \"%1\": %2").arg(path, problem));
            return;
        }
        done(picture);
    };
    connectGuarded(process, &QProcess::finished, this,
                   Origin::unattended(QStringLiteral("picturereader")),
                   [finish](int code, QProcess::ExitStatus status) {
                       Q_UNUSED(code);  // a failing converter says why on its error output
                       finish(status == QProcess::NormalExit
                                  ? QString()
                                  : QStringLiteral("the metafile converter stopped"));
                   });
    connectGuarded(
        process, &QProcess::errorOccurred, this,
        Origin::unattended(QStringLiteral("picturereader")),
        [this, finish](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                finish(QStringLiteral(
                           "the metafile converter %1 cannot be started (package libwmf-bin)")
                           .arg(m_converter));
        });
    connectGuarded(timeout, &QTimer::timeout, this,
                   Origin::unattended(QStringLiteral("picturereader")),
                   [finish] { finish(QStringLiteral("the metafile converter did not finish")); });
    timeout->start(kConverterTimeoutMs);
    // An absolute path never reads as one of the converter's options.
    process->start(m_converter, {QFileInfo(path).absoluteFilePath()});
}

}  // namespace velumo
