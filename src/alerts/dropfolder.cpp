#include "dropfolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "alerts/alertintake.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/textfile.h"
#include "base/timer.h"
#include "base/worker.h"

namespace velumo::alerts {

namespace {

bool inTransfer(const QString& name)
{
    for (const char* end : {".part", ".tmp", ".filepart", "~"})
        if (name.endsWith(QLatin1String(end), Qt::CaseInsensitive))
            return true;
    return false;
}

// Moves the file into the subfolder under the moment's name and keeps the subfolder's newest.
QString fileAway(const QString& folder, const QString& name, const QString& subfolder)
{
    QDir dir(folder);
    if (!dir.mkpath(subfolder))
        return QStringLiteral("cannot make %1").arg(dir.filePath(subfolder));
    QDir sub(dir.filePath(subfolder));
    const QString target =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss.zzz-")) + name;
    if (!QFile::rename(dir.filePath(name), sub.filePath(target)))
        return QStringLiteral("cannot move %1 to %2").arg(name, sub.filePath(target));
    const QStringList kept = sub.entryList(QDir::Files, QDir::Name | QDir::Reversed);
    for (qsizetype i = DropFolder::kKeepFiles; i < kept.size(); ++i)
        sub.remove(kept[i]);
    return {};
}

}  // namespace

DropLook lookIntoDropFolder(const QString& folder, const QHash<QString, Sighting>& before,
                            const CapTrust& trust)
{
    DropLook look;
    QDir dir(folder);
    if (!dir.exists() && !dir.mkpath(QStringLiteral("."))) {
        look.problems << QStringLiteral("cannot make the drop folder %1").arg(folder);
        return look;
    }
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    int count = 0;
    for (const QFileInfo& file : files) {
        const QString name = file.fileName();
        if (inTransfer(name) || ++count > DropFolder::kMaxFilesPerLook)
            continue;
        Sighting now{file.size(), file.lastModified().toMSecsSinceEpoch()};
        const auto it = before.constFind(name);
        if (it == before.cend() || it->size != now.size || it->modifiedMs != now.modifiedMs) {
            look.seen.insert(name, now);
            continue;
        }
        now = *it;
        ++now.looks;
        if (now.read || (now.waiting && now.looks < DropFolder::kSettleLooks)) {
            look.seen.insert(name, now);
            continue;
        }
        CapReading reading;
        try {
            reading = readCap(readFileBytes(file.filePath(), kMaxDocumentBytes), trust);
        } catch (...) {
            reading.fault = currentExceptionText();
        }
        if (reading.kind == CapReading::Kind::Index) {
            reading.kind = CapReading::Kind::Refused;
            reading.fault = QStringLiteral("an index of alerts is followed only from a feed");
        }
        if (reading.kind == CapReading::Kind::Refused &&
            reading.fault.startsWith(QLatin1String("not well-formed")) &&
            now.looks < DropFolder::kSettleLooks) {
            now.waiting = true;
            look.seen.insert(name, now);
            continue;
        }
        const QString problem =
            fileAway(folder, name,
                     reading.kind == CapReading::Kind::Alert ? QStringLiteral("done")
                                                             : QStringLiteral("refused"));
        if (!problem.isEmpty()) {
            look.problems << problem;
            now.read = true;
            look.seen.insert(name, now);
        }
        look.taken.emplace_back(name, std::move(reading));
    }
    return look;
}

DropFolder::DropFolder(QString folder, AlertIntake& intake, Worker& worker, TimerFactory& timers,
                       EventLog* log, QObject* parent)
    : QObject(parent),
      m_folder(std::move(folder)),
      m_intake(intake),
      m_worker(worker),
      m_log(log),
      m_timer(timers.create(QStringLiteral("alerts folder")))
{
    m_timer->setInterval(kLookMs);
    m_timer->setHandler([this] { look(); });
}

DropFolder::~DropFolder() = default;

void DropFolder::start()
{
    m_timer->start();
    look();
}

void DropFolder::look()
{
    if (m_busy)
        return;
    m_busy = true;
    m_worker.run(
        this,
        [folder = m_folder, seen = m_seen, trust = m_intake.trust()](const auto&) {
            return lookIntoDropFolder(folder, seen, trust);
        },
        [this](const JobResult<DropLook>& result) {
            m_busy = false;
            if (!result.ok()) {
                if (m_log)
                    m_log->write(QStringLiteral("alert"),
                                 QStringLiteral("drop folder: %1").arg(result.error));
                return;
            }
            m_seen = result.value->seen;
            // A lasting problem (a folder that cannot be written) is logged once.
            for (const QString& problem : result.value->problems)
                if (m_log && !m_problems.contains(problem))
                    m_log->write(QStringLiteral("alert"),
                                 QStringLiteral("drop folder: %1").arg(problem));
            m_problems = result.value->problems;
            for (const auto& [name, reading] : result.value->taken) {
                m_intake.accept(reading, QStringLiteral("folder ") + name);
                emit taken(name);
            }
        });
}

}  // namespace velumo::alerts
