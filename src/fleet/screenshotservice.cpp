#include "screenshotservice.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include "base/commandreply.h"
#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/screenshotsource.h"
#include "base/textfile.h"

namespace velumo {

ScreenshotService::ScreenshotService(QString folder, ScreenshotSource& source, Worker& worker,
                                     QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_source(source), m_worker(worker)
{
}

QByteArray ScreenshotService::encode(const QImage& picture)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (picture.isNull() || !picture.save(&buffer, "PNG"))
        throw Failure(QStringLiteral("the screenshot could not be encoded"));
    return png;
}

QImage ScreenshotService::composeHere()
{
    QImage picture = m_source.compose(kMaxWidthPx);
    if (picture.isNull())
        throw Failure(QStringLiteral("there is no screen to take a screenshot of"));
    return picture;
}

void ScreenshotService::capture(std::function<void(const JobResult<QByteArray>&)> done)
{
    const QImage picture = composeHere();
    m_worker.run(
        this, [picture](const auto&) { return encode(picture); }, std::move(done));
}

void ScreenshotService::addControl(ControlServer& control)
{
    control.addCommand(
        QStringLiteral("screenshot"),
        [this](const QString& arguments, const std::shared_ptr<CommandReply>& reply) {
            const QString named = arguments.trimmed();
            const QString path = QDir(m_folder).absoluteFilePath(
                named.isEmpty() ? QString::fromLatin1(kDefaultFile) : named);
            QImage picture;
            if (!reply->run([&] { picture = composeHere(); }))
                return;
            const QSize size = picture.size();
            m_worker.run(
                this,
                [picture, path](const auto&) {
                    const QByteArray png = encode(picture);
                    writeFileAtomic(path, png);
                    return png.size();
                },
                [reply, path, size](const JobResult<qsizetype>& written) {
                    if (!written.ok()) {
                        reply->fail(written.error);
                        return;
                    }
                    reply->done(QStringLiteral("%1 %2x%3 %4 bytes")
                                    .arg(path)
                                    .arg(size.width())
                                    .arg(size.height())
                                    .arg(*written.value));
                });
        });
}

std::function<QByteArray()> ScreenshotService::pngSource()
{
    return [this]() -> QByteArray {
        QImage picture;
        const auto compose = [this, &picture] {
            guarded(Origin::unattended(QStringLiteral("screenshot")),
                    [&] { picture = composeHere(); });
        };
        if (QThread::currentThread() == thread())
            compose();
        else  // the caller waits for the user-interface thread, never the other way round
            QMetaObject::invokeMethod(this, compose,
                                      Qt::BlockingQueuedConnection);  // plain: guarded inside
        if (picture.isNull())
            return {};
        try {
            return encode(picture);
        } catch (...) {
            return {};
        }
    };
}

}  // namespace velumo
