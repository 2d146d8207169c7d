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

QString ScreenshotService::targetPath(const QString& folder, const QString& named, QString& refusal)
{
    const QString home = QDir::cleanPath(QDir(folder).absolutePath());
    const QString path = QDir::cleanPath(
        QDir(home).absoluteFilePath(named.isEmpty() ? QString::fromLatin1(kDefaultFile) : named));
    const QFileInfo file(path);
    const QString canonicalHome = QFileInfo(home).canonicalFilePath();
    const QString canonicalParent = QFileInfo(file.absolutePath()).canonicalFilePath();
    const auto inside = [](const QString& inner, const QString& outer) {
        return !inner.isEmpty() && !outer.isEmpty() &&
               (inner == outer || inner.startsWith(outer + u'/'));
    };
    // The names the program keeps in its folder (settings, translations, fleet and journal
    // files, logs, state, plans, blocks, keys): none of them is ever a picture's place.
    static const QStringList kept{
        QStringLiteral("velumo*"), QStringLiteral("panel_lang*"), QStringLiteral("fleet*"),
        QStringLiteral("asrun*"),  QStringLiteral("str_disp*"),   QStringLiteral("slides.cache"),
        QStringLiteral("*.pln"),   QStringLiteral("*.str"),       QStringLiteral("*.txt"),
        QStringLiteral("*.key"),   QStringLiteral("*.pub"),       QStringLiteral("*.cfg"),
        QStringLiteral("*.ini")};
    const auto isKept = [&] {
        for (const QString& part : path.mid(home.size() + 1).split(u'/'))
            for (const QString& pattern : kept)
                if (QDir::match(pattern, part))
                    return true;
        return false;
    };
    if (!inside(path, home) || path == home)
        refusal = QStringLiteral("Снимок экрана пишется только в папку программы (%1), а не в %2")
                      .arg(home, path);
    else if (canonicalParent.isEmpty())
        refusal = QStringLiteral("Снимок экрана не записан: нет папки %1").arg(file.absolutePath());
    else if (!inside(canonicalParent, canonicalHome))
        refusal = QStringLiteral(
                      "Снимок экрана пишется только в папку программы (%1): папка %2 "
                      "ведёт за её пределы")
                      .arg(home, file.absolutePath());
    else if (isKept())
        refusal = QStringLiteral(
                      "Снимок экрана не записан: %1 — файл программы, снимок его не "
                      "заменит")
                      .arg(path);
    else if (!file.fileName().endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        refusal = QStringLiteral("Снимок экрана пишется только в файл .png, а не в %1").arg(path);
    else if (file.isSymLink() || (file.exists() && !file.isFile()))
        refusal = QStringLiteral("Снимок экрана не записан: %1 — не обычный файл").arg(path);
    if (!refusal.isEmpty())
        return {};
    return path;
}

void ScreenshotService::addControl(ControlServer& control)
{
    control.addCommand(
        QStringLiteral("screenshot"),
        [this](const QString& arguments, const std::shared_ptr<CommandReply>& reply) {
            QString refusal;
            const QString path = targetPath(m_folder, arguments.trimmed(), refusal);
            if (path.isEmpty()) {
                reply->fail(refusal);
                return;
            }
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
