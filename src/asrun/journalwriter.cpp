#include "journalwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QObject>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "asrun/chain.h"
#include "asrun/minisign.h"
#include "asrun/stationkey.h"
#include "base/clock.h"
#include "base/eventlog.h"
#include "base/guard.h"

namespace velumo::asrun {

namespace {

constexpr auto kRetry = std::chrono::seconds(1);  // a full disk is tried again
const QString kLogKind = QStringLiteral("asrun");
const QString kSeal = QStringLiteral("seal");
const QString kUnsealed = QStringLiteral("unsealed");

// Thrown in the writer's job once it was left to itself: it unwinds to the job's end.
struct Left {};

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void syncFolder(const QString& folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool writeAll(int fd, const QByteArray& bytes, qint64 offset, int* error)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done),
                                   off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// A file replaced whole: a temporary beside it, synced, renamed over it, the folder synced.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* error)
{
    const QByteArray temporary = QFile::encodeName(path + QLatin1String(".new"));
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int failure = fd < 0 ? errno : 0;
    if (fd >= 0) {
        if (!writeAll(fd, bytes, 0, &failure) || ::fsync(fd) != 0)
            failure = failure ? failure : errno;
        ::close(fd);
    }
    if (!failure && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0)
        failure = errno;
    if (failure) {
        ::unlink(temporary.constData());
        *error = path + QLatin1String(": ") + errnoText(failure);
        return false;
    }
    syncFolder(QFileInfo(path).absolutePath());
    return true;
}

QByteArray readWhole(const QString& path, bool* ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? file.readAll() : QByteArray();
}

struct DayFile {
    QDate day;
    QString path;
};

QList<DayFile> dayFiles(const QString& folder)
{
    QList<DayFile> files;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.jsonl")}, QDir::Files, QDir::Name);
    for (const QString& name : names) {
        if (const auto day = chain::dayOfFileName(name))
            files.append({*day, folder + u'/' + name});
    }
    return files;  // names sort as dates
}

// The day files in the order they were written: by the seq of their last record, as a clock
// stepped back writes a day dated before one written already; a file without one keeps its
// place by date.
QList<DayFile> inChainOrder(const QList<DayFile>& files)
{
    QList<std::pair<qint64, DayFile>> keyed;
    qint64 carried = -1;
    for (const DayFile& file : files) {
        const qint64 seq = chain::seqOf(chain::lastWholeLine(file.path));
        carried = seq >= 0 ? seq : carried;
        keyed.append({carried, file});
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<DayFile> ordered;
    for (const auto& file : keyed)
        ordered.append(file.second);
    return ordered;
}

// A whole line the numbering can go on from: a JSON record whose prev is the hash of the line
// before it and whose seq follows that line's (a file's first line has none before it here).
bool soundRecord(const QList<QByteArray>& lines, qsizetype index, QJsonObject* record)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(lines[index], &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonValue seq = document.object().value(u"seq");
    if (!seq.isDouble() || seq.toInteger(-1) < 1)
        return false;
    if (index > 0) {
        if (document.object().value(u"prev").toString().toLatin1() !=
            chain::sha256Hex(lines[index - 1]))
            return false;
        const QJsonObject before = QJsonDocument::fromJson(lines[index - 1]).object();
        if (before.value(u"seq").toInteger(-1) + 1 != seq.toInteger())
            return false;
    }
    *record = document.object();
    return true;
}

// The last sound record of the files up to files[newest] (whose lines are given), and how many
// lines follow it. A complete line that was damaged (a disk that wrote rubbish, an edit) cannot
// be trusted for its seq, yet it used a number: the numbering goes on after all of them, so no
// seq is given twice.
qint64 lastSoundRecord(const QList<DayFile>& files, qsizetype newest,
                       const QList<QByteArray>& newestLines, QJsonObject* record)
{
    qint64 after = 0;
    for (qsizetype f = newest; f >= 0; --f) {
        QList<QByteArray> lines = newestLines;
        if (f != newest) {
            bool readable = false;
            const QByteArray bytes = readWhole(files[f].path, &readable);
            const qsizetype whole = bytes.lastIndexOf('\n');
            lines = whole < 0 ? QList<QByteArray>() : bytes.left(whole).split('\n');
        }
        for (qsizetype i = lines.size() - 1; i >= 0; --i) {
            if (soundRecord(lines, i, record))
                return after;
            ++after;
        }
    }
    *record = QJsonObject();
    return after;
}

bool isExit(const QString& type, const QString& reason)
{
    return (type == kSeal || type == kUnsealed) && reason == u"exit";
}

}  // namespace

JournalWriter::JournalWriter(QString programFolder, JournalOptions options, const Clock& clock,
                             EventLog* log, QObject* context)
    : m_programFolder(std::move(programFolder)),
      m_options(std::move(options)),
      m_folder(m_options.folderPath(m_programFolder)),
      m_clock(&clock),
      m_log(log),
      m_context(context)
{
    m_status =
        QJsonObject{{QStringLiteral("file"), QString()},   {QStringLiteral("records"), 0},
                    {QStringLiteral("last_seq"), 0},       {QStringLiteral("last_seal"), QString()},
                    {QStringLiteral("key_id"), QString()}, {QStringLiteral("error"), QString()}};
}

JournalWriter::~JournalWriter()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QList<JournalWriter::Item> JournalWriter::admit(QJsonObject record, const QDateTime& stamp)
{
    QList<Item> items;
    bool overflow = false;
    {
        const std::lock_guard lock(m_mutex);
        if (m_queued >= m_options.queueLimit) {
            // Told once while the disk stays full: a record the writer got out meanwhile makes
            // room for one more, and the queue that fills again is the same trouble.
            overflow = m_lost == 0 && !m_overflowTold;
            m_overflowTold = true;
            if (m_lost == 0)
                m_lostFrom = stamp;
            m_lostTo = stamp;
            ++m_lost;
        } else {
            if (m_lost > 0) {
                // The records that found no room are answered where they would have been.
                items.append(
                    Item{Item::Kind::Lost,
                         QJsonObject{{QStringLiteral("type"), QStringLiteral("gap")},
                                     {QStringLiteral("reason"), QStringLiteral("queue full")},
                                     {QStringLiteral("lost"), m_lost},
                                     {QStringLiteral("from"), chain::localText(m_lostFrom)},
                                     {QStringLiteral("to"), chain::localText(m_lostTo)}},
                         stamp,
                         {}});
                m_lost = 0;
            }
            items.append(Item{Item::Kind::Record, std::move(record), stamp, {}});
            m_queued += items.size();
            ++m_records;
        }
    }
    if (overflow)
        report(kLogKind, QStringLiteral("Журнал показов: очередь записей переполнена (%1), новые "
                                        "записи теряются, пока диск не освободится")
                             .arg(m_options.queueLimit));
    return items;
}

std::optional<JournalWriter::Item> JournalWriter::admitSeal(
    std::function<void(bool ok, QString text)> done, const QDateTime& stamp)
{
    // Behind records a full disk holds back the seal would wait as long: the caller hears now.
    if (m_diskFull.load()) {
        answer(std::move(done), false,
               QStringLiteral(
                   "Журнал показов не запечатан: диск не принимает записи, они ждут в памяти"));
        return std::nullopt;
    }
    const std::lock_guard lock(m_mutex);
    ++m_queued;
    return Item{Item::Kind::Seal, {}, stamp, std::move(done)};
}

QJsonObject JournalWriter::status() const
{
    const std::lock_guard lock(m_mutex);
    QJsonObject status = m_status;
    status.insert(QStringLiteral("waiting"), m_queued + m_lost);
    return status;
}

void JournalWriter::exitBy(std::chrono::steady_clock::time_point until)
{
    const std::lock_guard lock(m_mutex);
    m_exitUntil = until;
}

qint64 JournalWriter::leave()
{
    {
        const std::lock_guard lock(m_outsideMutex);
        m_clock = nullptr;
        m_log = nullptr;
        m_context = nullptr;
    }
    const std::lock_guard lock(m_mutex);
    return m_lost + m_records;
}

void JournalWriter::step(const std::function<void()>& body)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_failed)
            return;
    }
    try {
        body();
    } catch (const Left&) {
        // Left to itself at exit: nothing more to tell anyone.
    } catch (...) {
        try {
            report(QStringLiteral("error"),
                   QStringLiteral("Журнал показов остановлен: %1").arg(currentExceptionText()));
        } catch (...) {
        }
        const std::lock_guard lock(m_mutex);
        m_failed = true;
    }
}

void JournalWriter::write(Item item, const Job& job)
{
    bool written = false;
    step([&] {
        // Midnight closes the day before the next record goes; a disk that refuses the closing
        // record or the record itself is tried again a little later, until the exit begins.
        while (!job.cancelled() && !(written = followMidnight() && writeItem(item)))
            job.sleepFor(kRetry);
        if (!written)
            written = writeAtExit(item);
    });
    const std::lock_guard lock(m_mutex);
    if (m_failed)
        return;  // counted as unwritten at exit
    --m_queued;
    if (written && item.kind == Item::Kind::Record)
        --m_records;
}

void JournalWriter::beat(const Job& job)
{
    step([&] {
        // Midnight with no record to close the day; a disk that refuses its closing record is
        // tried again a little later.
        if (!followMidnight())
            job.sleepFor(kRetry);
    });
}

void JournalWriter::exit()
{
    qint64 unwritten = 0;
    {
        const std::lock_guard lock(m_mutex);
        unwritten = m_lost + m_records;
        m_lost = 0;
        m_records = 0;
    }
    if (unwritten > 0)
        report(QStringLiteral("error"),
               QStringLiteral("Журнал показов: при выходе не записано записей: %1").arg(unwritten));
    step([&] {
        if (!isExit(m_lastType, m_lastReason)) {
            const QDateTime stamp = now();
            if (!(m_key ? writeSeal("exit", stamp) : writeUnsealed("exit", stamp)))
                report(QStringLiteral("error"),
                       QStringLiteral("Журнал показов: день не запечатан при выходе"));
        }
    });
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool JournalWriter::followMidnight()
{
    return m_fd < 0 || now().date() <= m_day || closeDay("midnight");
}

bool JournalWriter::writeItem(Item& item)
{
    if (item.kind != Item::Kind::Seal)
        return writeRecord(item.record, item.stamp);
    if (!m_key) {
        answer(
            std::move(item.done), false,
            QStringLiteral("Журнал показов не запечатан: ключа печати нет (%1)").arg(m_keyError));
        return true;
    }
    const bool ok = writeSeal("request", item.stamp);
    answer(std::move(item.done), ok,
           ok ? QStringLiteral("sealed %1 at seq %2").arg(m_day.toString(Qt::ISODate)).arg(m_seq)
              : QStringLiteral("Журнал показов не запечатан: печать не записана на диск"));
    return true;
}

bool JournalWriter::writeAtExit(Item& item)
{
    // The exit: what is queued, as long as the exit's time allows (a full disk refuses at once).
    std::chrono::steady_clock::time_point until;
    {
        const std::lock_guard lock(m_mutex);
        until = m_exitUntil;
    }
    if (!m_exitRefused && std::chrono::steady_clock::now() < until) {
        if (writeItem(item))
            return true;
        m_exitRefused = true;
    }
    if (item.kind == Item::Kind::Seal)
        answer(std::move(item.done), false,
               QStringLiteral("Журнал показов не запечатан: программа завершается"));
    return false;
}

void JournalWriter::recover()
{
    step([this] { recoverDays(); });
}

void JournalWriter::recoverDays()
{
    QString error;
    if (auto key = StationKey::loadOrCreate(m_programFolder, &error)) {
        m_key = std::make_unique<StationKey>(std::move(*key));
        const std::lock_guard lock(m_mutex);
        m_status[QStringLiteral("key_id")] = m_key->publicKey().keyIdText();
    } else {
        {
            const std::lock_guard lock(m_mutex);
            m_keyError = error;
        }
        showError();
        report(QStringLiteral("error"),
               QStringLiteral("Журнал показов не может запечатать дни, они закрываются без "
                              "печати: %1")
                   .arg(error));
    }
    if (!QDir().mkpath(m_folder))
        report(QStringLiteral("error"),
               QStringLiteral("Журнал показов: папку %1 не создать").arg(m_folder));

    m_lastHash = m_key ? chain::genesisHash(m_key->publicKey()) : chain::sha256Hex("");
    const QList<DayFile> files = inChainOrder(dayFiles(m_folder));
    qint64 damaged = 0;
    bool tornDone = false;
    QJsonObject gap;
    for (qsizetype i = files.size() - 1; i >= 0; --i) {
        const DayFile& file = files[i];
        bool readable = false;
        QByteArray bytes = readWhole(file.path, &readable);
        if (!readable) {
            report(QStringLiteral("error"),
                   QStringLiteral("Журнал показов: файл %1 не читается").arg(file.path));
            continue;
        }
        if (!tornDone) {
            tornDone = true;
            const qsizetype whole = bytes.lastIndexOf('\n') + 1;
            if (whole < bytes.size()) {
                // The last line was cut short (a kill or a power loss while it was written): it
                // moves aside, and a gap record names where it went.
                const QByteArray torn = bytes.mid(whole);
                const QString tornPath = file.path + QLatin1String(".torn");
                const QByteArray tornName = QFile::encodeName(tornPath);
                const int fd = ::open(tornName.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                struct stat info {};
                int failure = 0;
                const bool saved = fd >= 0 && ::fstat(fd, &info) == 0 &&
                                   writeAll(fd, torn, info.st_size, &failure) && ::fsync(fd) == 0;
                if (fd >= 0)
                    ::close(fd);
                if (saved &&
                    ::truncate(QFile::encodeName(file.path).constData(), off_t(whole)) == 0) {
                    gap = QJsonObject{{QStringLiteral("type"), QStringLiteral("gap")},
                                      {QStringLiteral("reason"), QStringLiteral("torn line")},
                                      {QStringLiteral("torn"), QFileInfo(tornPath).fileName()},
                                      {QStringLiteral("torn_offset"), qint64(info.st_size)},
                                      {QStringLiteral("torn_bytes"), qint64(torn.size())},
                                      {QStringLiteral("torn_sha256"),
                                       QString::fromLatin1(chain::sha256Hex(torn))}};
                    bytes.truncate(whole);
                } else {
                    report(QStringLiteral("error"),
                           QStringLiteral("Журнал показов: оборванную строку %1 не убрать")
                               .arg(file.path));
                }
            }
            m_day = file.day;
            const QList<QByteArray> lines =
                bytes.isEmpty() ? QList<QByteArray>() : bytes.chopped(1).split('\n');
            const bool closed = QFile::exists(file.path + QLatin1String(".minisig")) ||
                                (!lines.isEmpty() &&
                                 chain::closesDay(QJsonDocument::fromJson(lines.last()).object()));
            if (closed) {
                m_closed.insert(file.day);
            } else {
                const QByteArray name = QFile::encodeName(file.path);
                m_fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
                m_end = bytes.size();
                m_dayRecords = int(lines.size());
                if (!lines.isEmpty())
                    m_dayFirstPrev = QJsonDocument::fromJson(lines.first())
                                         .object()
                                         .value(u"prev")
                                         .toString()
                                         .toLatin1();
            }
        }
        if (bytes.isEmpty())
            continue;
        // The chain goes on from the file's last line as it is, the numbering from the last
        // record that can be trusted.
        const QList<QByteArray> lines = bytes.chopped(1).split('\n');
        m_lastHash = chain::sha256Hex(lines.last());
        QJsonObject last;
        damaged = lastSoundRecord(files, i, lines, &last);
        m_seq = last.value(u"seq").toInteger() + damaged;
        if (damaged == 0) {
            m_lastType = last.value(u"type").toString();
            m_lastReason = last.value(u"reason").toString();
        }
        m_lastStamp = QDateTime::fromString(last.value(u"utc").toString(), Qt::ISODateWithMs);
        break;
    }
    const bool clean = files.isEmpty() || isExit(m_lastType, m_lastReason);
    if (gap.isEmpty() && !clean)
        gap = QJsonObject{{QStringLiteral("type"), QStringLiteral("gap")},
                          {QStringLiteral("reason"), QStringLiteral("unclean end")}};
    if (!gap.isEmpty()) {
        gap.insert(QStringLiteral("after_seq"), m_seq);
        if (damaged > 0)
            gap.insert(QStringLiteral("damaged_lines"), damaged);
        // Written into the day where the loss happened, before that day is closed.
        writeRecord(gap, now(), true);
    }
    {
        const std::lock_guard lock(m_mutex);
        m_status[QStringLiteral("last_seq")] = m_seq;
    }
    if (m_fd >= 0 && m_day < now().date())
        closeDay("midnight");
    // A day closed by an earlier run that ended before its signature was written (a day of an
    // older run ends with any seal).
    for (qsizetype i = 0; i < files.size(); ++i) {
        const DayFile& file = files[i];
        if ((m_fd >= 0 && file.day == m_day) ||
            QFile::exists(file.path + QLatin1String(".minisig")))
            continue;
        const QJsonObject last = QJsonDocument::fromJson(chain::lastWholeLine(file.path)).object();
        if (chain::closesDay(last) ||
            (i + 1 < files.size() && last.value(u"type").toString() == kSeal))
            signClosedDay(file.day);
    }
    removeExpired();
}

QString JournalWriter::dayPath(QDate day) const
{
    return m_folder + u'/' + chain::dayFileName(day);
}

bool JournalWriter::dayClosed(QDate day)
{
    if (m_closed.contains(day))
        return true;
    const QString path = dayPath(day);
    const bool closed =
        QFile::exists(path + QLatin1String(".minisig")) ||
        chain::closesDay(QJsonDocument::fromJson(chain::lastWholeLine(path)).object());
    if (closed)
        m_closed.insert(day);
    return closed;
}

QDate JournalWriter::dayFor(const QDateTime& stamp)
{
    QDate day = stamp.toLocalTime().date();
    // A closed day is never written again (the clock went back past a midnight): the record goes
    // to the next day that is still open.
    while (!(m_fd >= 0 && day == m_day) && dayClosed(day))
        day = day.addDays(1);
    return day;
}

bool JournalWriter::closeDay(const char* reason)
{
    if (m_fd < 0)
        return true;
    if (m_dayRecords == 0 || !chain::closesDay({{QStringLiteral("type"), m_lastType},
                                                {QStringLiteral("reason"), m_lastReason}})) {
        const QDateTime stamp = now();
        if (!(m_key ? writeSeal(reason, stamp) : writeUnsealed(reason, stamp)))
            return false;  // tried again: the day stays open until its closing record is written
    }
    ::close(m_fd);
    m_fd = -1;
    m_closed.insert(m_day);
    signClosedDay(m_day);
    removeExpired();
    return true;
}

bool JournalWriter::openDay(QDate day, QString* error)
{
    const QString path = dayPath(day);
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        *error = path + QLatin1String(": ") + errnoText(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    syncFolder(m_folder);
    m_fd = fd;
    m_day = day;
    m_end = info.st_size;
    m_dayRecords = 0;
    m_dayFirstPrev.clear();
    return true;
}

bool JournalWriter::prepareDay(const QDateTime& stamp)
{
    if (m_fd >= 0)
        return true;
    QString error;
    if (openDay(dayFor(stamp), &error))
        return true;
    setAlarm(error);
    return false;
}

void JournalWriter::stampRecord(QJsonObject& record, const QDateTime& stamp) const
{
    record.insert(QStringLiteral("seq"), m_seq + 1);
    record.insert(QStringLiteral("local"), chain::localText(stamp));
    record.insert(QStringLiteral("utc"), chain::utcText(stamp));
    record.insert(QStringLiteral("clock_synced"), clockSynchronised());
    record.insert(QStringLiteral("prev"), QString::fromLatin1(m_lastHash));
}

bool JournalWriter::writeRecord(QJsonObject record, const QDateTime& stamp, bool intoOpenDay)
{
    if (!(intoOpenDay && m_fd >= 0)) {
        const QDate day = dayFor(stamp);
        if (m_fd >= 0 && day != m_day && !closeDay(day > m_day ? "midnight" : "clock"))
            return false;
    }
    if (!prepareDay(stamp))
        return false;
    stampRecord(record, stamp);
    return commitLine(QJsonDocument(record).toJson(QJsonDocument::Compact), record, stamp);
}

bool JournalWriter::writeSeal(const char* reason, const QDateTime& stamp)
{
    if (!m_key || !prepareDay(stamp))
        return false;
    QJsonObject record{{QStringLiteral("type"), kSeal},
                       {QStringLiteral("reason"), QString::fromLatin1(reason)},
                       {QStringLiteral("day"), m_day.toString(Qt::ISODate)},
                       {QStringLiteral("records"), m_dayRecords},
                       {QStringLiteral("first_prev"),
                        QString::fromLatin1(m_dayRecords == 0 ? m_lastHash : m_dayFirstPrev)},
                       {QStringLiteral("key_id"), m_key->publicKey().keyIdText()}};
    stampRecord(record, stamp);
    const QByteArray body = QJsonDocument(record).toJson(QJsonDocument::Compact);
    return commitLine(chain::sealLine(body, m_key->sign(body)), record, stamp);
}

bool JournalWriter::writeUnsealed(const char* reason, const QDateTime& stamp)
{
    if (!prepareDay(stamp))
        return false;
    // Where a seal would stand: the day's records are not vouched for, and this says why.
    QJsonObject record{
        {QStringLiteral("type"), kUnsealed},
        {QStringLiteral("reason"), QString::fromLatin1(reason)},
        {QStringLiteral("day"), m_day.toString(Qt::ISODate)},
        {QStringLiteral("records"), m_dayRecords},
        {QStringLiteral("why"), QStringLiteral("no usable key: %1").arg(m_keyError)}};
    stampRecord(record, stamp);
    return commitLine(QJsonDocument(record).toJson(QJsonDocument::Compact), record, stamp);
}

bool JournalWriter::commitLine(const QByteArray& line, const QJsonObject& record,
                               const QDateTime& stamp)
{
    QString error;
    if (!writeLine(line, &error)) {
        setAlarm(error);
        return false;
    }
    if (m_dayRecords == 0)
        m_dayFirstPrev = m_lastHash;
    m_lastHash = chain::sha256Hex(line);
    ++m_seq;
    ++m_dayRecords;
    m_lastType = record.value(u"type").toString();
    m_lastReason = record.value(u"reason").toString();
    m_lastStamp = stamp;
    const std::lock_guard lock(m_mutex);
    m_status[QStringLiteral("file")] = QDir(m_programFolder).relativeFilePath(dayPath(m_day));
    m_status[QStringLiteral("records")] = m_dayRecords;
    m_status[QStringLiteral("last_seq")] = m_seq;
    if (m_lastType == kSeal)
        m_status[QStringLiteral("last_seal")] = chain::localText(stamp);
    return true;
}

bool JournalWriter::writeLine(const QByteArray& line, QString* error)
{
    int failure = 0;
    // At the known end, so a line a full disk cut short is written over by the next attempt.
    if (!writeAll(m_fd, line + '\n', m_end, &failure) || ::fdatasync(m_fd) != 0) {
        failure = failure ? failure : errno;
        if (::ftruncate(m_fd, off_t(m_end)) != 0) {
            // The next attempt writes over the part at the same place.
        }
        *error = dayPath(m_day) + QLatin1String(": ") + errnoText(failure);
        return false;
    }
    m_end += line.size() + 1;
    clearAlarm();
    return true;
}

void JournalWriter::signClosedDay(QDate day)
{
    if (!m_key)
        return;
    const QString path = dayPath(day);
    bool readable = false;
    const QByteArray bytes = readWhole(path, &readable);
    if (!readable)
        return;
    const QString comment = QStringLiteral("timestamp:%1\tfile:%2\thashed")
                                .arg(now().toSecsSinceEpoch())
                                .arg(chain::dayFileName(day));
    QString error;
    if (!replaceFile(path + QLatin1String(".minisig"), minisign::signature(*m_key, bytes, comment),
                     &error))
        report(QStringLiteral("error"),
               QStringLiteral("Журнал показов: подпись дня не записана: %1").arg(error));
}

void JournalWriter::removeExpired()
{
    // The date alone decides what goes, so nothing goes while the date may be wrong: no time
    // service holds the clock, or it is behind the last record written (it went back, or that
    // record came from a clock far ahead).
    const QDateTime moment = now();
    if (!clockSynchronised() || (m_lastStamp.isValid() && moment < m_lastStamp))
        return;
    const QDate cutoff = moment.date().addDays(-m_options.retentionDays);
    for (const DayFile& file : dayFiles(m_folder)) {
        // Only a day that was sealed and signed goes.
        if (file.day >= cutoff || file.day == m_day ||
            !QFile::exists(file.path + QLatin1String(".minisig")))
            continue;
        QFile::remove(file.path);
        QFile::remove(file.path + QLatin1String(".minisig"));
        QFile::remove(file.path + QLatin1String(".torn"));
    }
}

QDateTime JournalWriter::now() const
{
    const std::lock_guard lock(m_outsideMutex);
    if (!m_clock)
        throw Left{};
    return m_clock->now();
}

bool JournalWriter::clockSynchronised() const
{
    const std::lock_guard lock(m_outsideMutex);
    if (!m_clock)
        throw Left{};
    return m_clock->synchronised();
}

void JournalWriter::report(const QString& kind, const QString& text)
{
    const std::lock_guard lock(m_outsideMutex);
    if (!m_log || !m_context)
        return;
    if (QThread::currentThread() == m_context->thread()) {
        m_log->write(kind, text);
        return;
    }
    postGuarded(m_context, Origin::unattended(kLogKind),
                [log = m_log, kind, text] { log->write(kind, text); });
}

void JournalWriter::answer(std::function<void(bool, QString)> done, bool ok, QString text)
{
    const std::lock_guard lock(m_outsideMutex);
    if (!done || !m_context)
        return;
    postGuarded(m_context, Origin::unattended(kLogKind),
                [done = std::move(done), ok, text = std::move(text)] { done(ok, text); });
}

void JournalWriter::setAlarm(const QString& text)
{
    if (m_alarm)
        return;
    m_alarm = true;
    m_diskFull = true;
    {
        const std::lock_guard lock(m_mutex);
        m_writeError = text;
    }
    showError();
    report(QStringLiteral("error"),
           QStringLiteral("Журнал показов не записывается, записи ждут в памяти: %1").arg(text));
}

void JournalWriter::clearAlarm()
{
    if (!m_alarm)
        return;
    m_alarm = false;
    m_diskFull = false;
    {
        const std::lock_guard lock(m_mutex);
        m_overflowTold = false;
        m_writeError.clear();
    }
    showError();
    report(kLogKind, QStringLiteral("Журнал показов снова записывается"));
}

void JournalWriter::showError()
{
    const std::lock_guard lock(m_mutex);
    QStringList errors;
    if (!m_writeError.isEmpty())
        errors.append(
            QStringLiteral("журнал не записывается, записи ждут в памяти: %1").arg(m_writeError));
    if (!m_keyError.isEmpty())
        errors.append(QStringLiteral("дни закрываются без печати, ключа нет: %1").arg(m_keyError));
    m_status[QStringLiteral("error")] = errors.join(QLatin1String("; "));
}

}  // namespace velumo::asrun
