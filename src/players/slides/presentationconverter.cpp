#include "presentationconverter.h"

#include <sched.h>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include "base/failure.h"
#include "base/guard.h"
#include "base/worker.h"
#include "players/slides/slideshowtiming.h"

namespace velumo {

namespace {

constexpr char kIndexHeader[] = "velumo slides 1";
const QString kIndexName = QStringLiteral("slides.txt");
const QString kPagesName = QStringLiteral("pages.pdf");

QString entryName(const QFileInfo& info)
{
    const QByteArray key = info.absoluteFilePath().toUtf8() + '\n' +
                           QByteArray::number(info.size()) + '\n' +
                           QByteArray::number(info.lastModified().toMSecsSinceEpoch());
    return QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex());
}

std::optional<Presentation> readEntry(const QString& folder, const QString& source)
{
    QFile index(folder + u'/' + kIndexName);
    if (!QFileInfo::exists(folder + u'/' + kPagesName) || !index.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = index.readAll().split('\n');
    if (lines.isEmpty() || lines.first() != kIndexHeader)
        return std::nullopt;
    Presentation presentation;
    presentation.source = source;
    presentation.pages = folder + u'/' + kPagesName;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty())
            continue;
        bool ok = false;
        const double seconds = line.toDouble(&ok);
        presentation.durations.append(ok ? std::optional<double>(seconds) : std::nullopt);
    }
    return presentation;
}

// One LibreOffice conversion of the source into a format, with a profile folder of its own.
class OfficeRun {
public:
    OfficeRun(const QString& program, const QString& folder, const QString& format,
              const QString& source, PresentationConverter::Priority priority)
    {
        QDir().mkpath(folder + QStringLiteral("/profile"));
        m_process.setProgram(program);
        m_process.setArguments(
            {QStringLiteral("-env:UserInstallation=") +
                 QUrl::fromLocalFile(folder + QStringLiteral("/profile")).toString(),
             QStringLiteral("--headless"), QStringLiteral("--invisible"),
             QStringLiteral("--nologo"), QStringLiteral("--norestore"),
             QStringLiteral("--nodefault"), QStringLiteral("--nolockcheck"),
             QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"),
             folder + QStringLiteral("/out"), source});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        if (priority == PresentationConverter::Priority::Idle)
            m_process.setChildProcessModifier([] {
                // In the child between fork and exec: only async-signal-safe calls. LibreOffice's
                // own processes inherit the policy. Where it is refused the run goes on as it is.
                const sched_param none{};
                sched_setscheduler(0, SCHED_IDLE, &none);
            });
        m_process.start();
    }
    ~OfficeRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool failedToStart() { return m_process.error() == QProcess::FailedToStart; }
    bool done()
    {
        return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(50);
    }
    QString output()
    {
        m_output += m_process.readAll();
        return QString::fromLocal8Bit(m_output).trimmed();
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

// The cache keeps the presentations converted last; older ones (files replaced long ago) go,
// so months of files arriving by FTP do not fill the disk.
constexpr int kCacheEntries = 40;

void pruneCache(const QString& cacheFolder, const QString& keep)
{
    QFileInfoList entries =
        QDir(cacheFolder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Time);
    entries.removeIf([](const QFileInfo& e) { return e.fileName().startsWith(u"run-"); });
    for (qsizetype i = kCacheEntries; i < entries.size(); ++i)
        if (entries[i].absoluteFilePath() != QFileInfo(keep).absoluteFilePath())
            QDir(entries[i].absoluteFilePath()).removeRecursively();
}

// Work folders of runs that never ended (the program crashed or was killed). Only one copy of
// the program runs per folder, so no run of another copy can be going on; a folder younger
// than the time limit is left alone all the same.
void removeLeftovers(const QString& cacheFolder, int timeLimitMs)
{
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-qint64(timeLimitMs));
    const QFileInfoList entries =
        QDir(cacheFolder)
            .entryInfoList({QStringLiteral("run-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries)
        if (!entry.isSymLink() && entry.lastModified().toUTC() < before)
            QDir(entry.absoluteFilePath()).removeRecursively();
}

// One conversion, on a worker thread; throws Failure with the text for the operator.
Presentation convertPresentation(const QString& file, const QString& cacheFolder,
                                 const QString& program, int limitMs,
                                 PresentationConverter::Priority priority,
                                 const std::atomic_bool& cancel)
{
    const QFileInfo info(file);
    if (!info.exists())
        throw Failure(QStringLiteral("Не найден файл презентации: ") + file);
    if (!info.isFile() || info.size() == 0)
        throw Failure(QStringLiteral("Файл презентации пуст: ") + file);
    const QString office =
        QFileInfo(program).isAbsolute() ? program : QStandardPaths::findExecutable(program);
    if (office.isEmpty() || !QFileInfo(office).isExecutable())
        throw Failure(QStringLiteral("Для показа презентаций нужен LibreOffice: не "
                                     "найдена программа ") +
                      program);
    QDir().mkpath(cacheFolder);
    QTemporaryDir work(cacheFolder + QStringLiteral("/run-XXXXXX"));
    if (!work.isValid())
        throw Failure(QStringLiteral("Нет места для страниц презентации: ") + work.errorString());
    const QString source = info.absoluteFilePath();
    // The timings straight from the file where we can read it; what we cannot read
    // LibreOffice may still read, so then it writes the timings as flat ODF too.
    std::optional<QList<slideshowtiming::SlideTiming>> slides;
    try {
        slides = slideshowtiming::readPresentation(source);
    } catch (const Failure&) {
    }
    // The pages, then the timings, each by its own LibreOffice. One after the other:
    // two at once on a two-core machine starve the strip's repaints.
    QStringList formats{QStringLiteral("pdf")};
    if (!slides)
        formats << QStringLiteral("fodp");
    std::vector<std::unique_ptr<OfficeRun>> runs;
    QElapsedTimer clock;
    clock.start();
    for (const QString& format : formats) {
        runs.push_back(std::make_unique<OfficeRun>(office, work.path() + u'/' + format, format,
                                                   source, priority));
        OfficeRun& one = *runs.back();
        while (!one.done()) {
            if (cancel)
                throw Failure(QStringLiteral("the conversion was abandoned"));
            if (clock.elapsed() > limitMs)
                throw Failure(QStringLiteral("LibreOffice не преобразовал презентацию за "
                                             "%1 с: %2")
                                  .arg(limitMs / 1000)
                                  .arg(file));
        }
        if (one.failedToStart())
            throw Failure(QStringLiteral("Не удалось запустить LibreOffice (%1): %2")
                              .arg(office, one.output()));
    }
    const QString base = info.completeBaseName();
    const QString pdf = work.path() + QStringLiteral("/pdf/out/") + base + QStringLiteral(".pdf");
    QFile timings(work.path() + QStringLiteral("/fodp/out/") + base + QStringLiteral(".fodp"));
    if (!QFileInfo::exists(pdf) || (!slides && !timings.open(QIODevice::ReadOnly))) {
        QString said = runs.front()->output();
        if (runs.size() > 1 && said.isEmpty())
            said = runs.back()->output();
        throw Failure(QStringLiteral("LibreOffice не смог прочитать презентацию %1%2")
                          .arg(file, said.isEmpty() ? QString() : QStringLiteral(": ") + said));
    }
    if (!slides) {
        try {
            slides = slideshowtiming::readFlatOdp(timings.readAll());
        } catch (const Failure& failure) {
            throw Failure(QStringLiteral("LibreOffice не смог прочитать презентацию %1: %2")
                              .arg(file, failure.text()));
        }
    }
    // The index, then the pages into a folder of their own, renamed into place whole.
    const QString made = work.path() + QStringLiteral("/entry");
    QDir().mkpath(made);
    QByteArray index = QByteArray(kIndexHeader) + '\n';
    for (const auto& slide : *slides)
        if (!slide.hidden)
            index += (slide.seconds ? QByteArray::number(*slide.seconds) : "-") + '\n';
    QFile indexFile(made + u'/' + kIndexName);
    if (!indexFile.open(QIODevice::WriteOnly) || indexFile.write(index) != index.size() ||
        !indexFile.flush() || !QFile::rename(pdf, made + u'/' + kPagesName))
        throw Failure(QStringLiteral("Не удалось записать страницы презентации в ") + cacheFolder);
    indexFile.close();
    const QString entry = cacheFolder + u'/' + entryName(info);
    QDir(entry).removeRecursively();
    if (!QDir().rename(made, entry))
        throw Failure(QStringLiteral("Не удалось записать страницы презентации в ") + entry);
    pruneCache(cacheFolder, entry);
    std::optional<Presentation> result = readEntry(entry, file);
    if (!result)
        throw Failure(QStringLiteral("Не удалось прочитать страницы презентации в ") + entry);
    return *result;
}

}  // namespace

PresentationConverter::PresentationConverter(QString cacheFolder, QString program, int timeLimitMs,
                                             Priority priority, QObject* parent)
    : QObject(parent),
      m_cacheFolder(std::move(cacheFolder)),
      m_program(std::move(program)),
      m_timeLimitMs(timeLimitMs),
      m_priority(priority),
      // A thread for each file being converted, as many as files are (rarely more than one).
      m_worker(std::make_unique<Worker>(QStringLiteral("presentations"), Worker::Order::Parallel,
                                        kMaxRuns)),
      m_sweep(std::make_unique<Worker>(QStringLiteral("presentation sweep")))
{
    m_sweep->run(
        this,
        [folder = m_cacheFolder, limitMs = m_timeLimitMs](const auto&) {
            removeLeftovers(folder, limitMs);
        },
        [](const auto&) {});
}

PresentationConverter::~PresentationConverter()
{
    // The runs see the cancel flag within a twentieth of a second and kill their LibreOffice;
    // the sweep of old work folders is let finish, for a bounded time too.
    m_worker->shutDown();
    m_sweep->waitForIdle(Worker::kShutDownGrace);
}

bool PresentationConverter::isPresentation(const QString& file)
{
    static const QStringList kinds{QStringLiteral("ppt"), QStringLiteral("pptx"),
                                   QStringLiteral("pps"), QStringLiteral("ppsx"),
                                   QStringLiteral("odp"), QStringLiteral("fodp")};
    return kinds.contains(QFileInfo(file).suffix().toLower());
}

bool PresentationConverter::converting(const QString& file) const
{
    return m_converting.contains(file);
}

std::optional<Presentation> PresentationConverter::cached(const QString& file) const
{
    const QFileInfo info(file);
    if (!info.isFile())
        return std::nullopt;
    return readEntry(m_cacheFolder + u'/' + entryName(info), file);
}

void PresentationConverter::convert(const QString& file)
{
    if (converting(file))
        return;
    if (std::optional<Presentation> presentation = cached(file)) {
        postGuarded(this, Origin::unattended(QStringLiteral("slides")),
                    [this, file, p = *presentation] { emit converted(file, p); });
        return;
    }
    m_converting.append(file);
    m_worker->run(
        this,
        [file, cacheFolder = m_cacheFolder, program = m_program, limitMs = m_timeLimitMs,
         priority = m_priority](const auto& job) {
            return convertPresentation(file, cacheFolder, program, limitMs, priority,
                                       job.cancelFlag());
        },
        [this, file](const JobResult<Presentation>& result) {
            m_converting.removeOne(file);
            if (result.ok())
                emit converted(file, *result.value);
            else
                emit conversionFailed(file, result.error);
        });
}

}  // namespace velumo
