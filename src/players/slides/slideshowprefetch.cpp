#include "slideshowprefetch.h"

#include <QDir>
#include <QFileInfo>

#include "base/eventlog.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "players/slides/presentationconverter.h"

namespace velumo {

namespace {

const char* const kSlotFields[] = {key::SCEdit49, key::SCEdit50, key::SCEdit51, key::SCEdit52,
                                   key::SCEdit53, key::SCEdit54, key::SCEdit55, key::SCEdit56,
                                   key::SCEdit57, key::SCEdit58};

}  // namespace

SlideShowPrefetch::SlideShowPrefetch(const Settings& settings, PresentationConverter& converter,
                                     EventLog& log, TimerFactory& timers, QString programFolder,
                                     int quietMs, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_converter(converter),
      m_log(log),
      m_folder(std::move(programFolder)),
      m_quiet(timers.create(QStringLiteral("SlidePrefetch")))
{
    m_quiet->setInterval(quietMs);
    m_quiet->setHandler([this] {
        m_quiet->stop();
        scan();
    });
    // A file written bit by bit restarts the wait each time.
    connectGuarded(&m_watcher, &QFileSystemWatcher::fileChanged, this,
                   Origin::unattended(QStringLiteral("slideshowprefetch")),
                   [this] { m_quiet->start(); });
    connectGuarded(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
                   Origin::unattended(QStringLiteral("slideshowprefetch")),
                   [this] { m_quiet->start(); });
    connectGuarded(&m_settings, &Settings::changed, this,
                   Origin::byOperator(QStringLiteral("slideshowprefetch")),
                   [this](const QString& name) {
                       for (const char* field : kSlotFields)
                           if (name == QLatin1String(field)) {
                               watch();
                               m_quiet->start();
                           }
                   });
    connectGuarded(&m_converter, &PresentationConverter::converted, this,
                   Origin::unattended(QStringLiteral("slideshowprefetch")),
                   [this](const QString& file) {
                       if (file == m_running) {
                           m_running.clear();
                           next();
                       }
                   });
    connectGuarded(&m_converter, &PresentationConverter::conversionFailed, this,
                   Origin::unattended(QStringLiteral("slideshowprefetch")),
                   [this](const QString& file, const QString& reason) {
                       if (file != m_running)
                           return;
                       m_log.write(QStringLiteral("player"),
                                   QStringLiteral("p conversion ahead failed: ") + reason);
                       m_running.clear();
                       next();
                   });
    watch();
}

QString SlideShowPrefetch::slotFile(const char* field) const
{
    const QString file = m_settings.text(QString::fromLatin1(field)).trimmed();
    if (file.isEmpty() || m_folder.isEmpty() || !QFileInfo(file).isRelative())
        return file;
    return QDir(m_folder).absoluteFilePath(file);
}

void SlideShowPrefetch::watch()
{
    QStringList paths;
    for (const char* field : kSlotFields) {
        const QString file = slotFile(field);
        if (file.isEmpty() || !PresentationConverter::isPresentation(file))
            continue;
        const QFileInfo info(file);
        // The folder too: a file that arrives is renamed into place, which a file watch misses.
        paths << info.absolutePath();
        if (info.exists())
            paths << info.absoluteFilePath();
    }
    paths.removeDuplicates();
    const QStringList old = m_watcher.files() + m_watcher.directories();
    if (!old.isEmpty())
        m_watcher.removePaths(old);
    QStringList existing;
    for (const QString& path : paths)
        if (QFileInfo::exists(path))
            existing << path;
    if (!existing.isEmpty())
        m_watcher.addPaths(existing);
}

void SlideShowPrefetch::scanNow()
{
    scan();
}

void SlideShowPrefetch::scan()
{
    watch();
    for (const char* field : kSlotFields) {
        const QString file = slotFile(field);
        const QFileInfo info(file);
        if (file.isEmpty() || !PresentationConverter::isPresentation(file) || !info.isFile() ||
            info.size() == 0 || m_queue.contains(file) || file == m_running ||
            m_converter.converting(file) || m_converter.cached(file))
            continue;
        m_queue << file;
    }
    next();
}

void SlideShowPrefetch::next()
{
    if (!m_running.isEmpty() || m_queue.isEmpty())
        return;
    m_running = m_queue.takeFirst();
    if (m_converter.cached(m_running) || m_converter.converting(m_running)) {
        m_running.clear();
        next();
        return;
    }
    m_log.write(QStringLiteral("player"), QStringLiteral("p converting ahead ") + m_running);
    m_converter.convert(m_running);
}

}  // namespace velumo
