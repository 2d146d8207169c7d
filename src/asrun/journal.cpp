#include "journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "asrun/chain.h"
#include "asrun/minisign.h"
#include "asrun/stationkey.h"
#include "base/clock.h"
#include "base/clocksync.h"
#include "base/eventlog.h"
#include "base/guard.h"

namespace velumo::asrun {

namespace {

constexpr auto kIdleWake = std::chrono::milliseconds(500);  // midnight is noticed within this
constexpr auto kRetry = std::chrono::seconds(1);            // a full disk is tried again
const QString kLogKind = QStringLiteral("asrun");

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

}  // namespace

Journal::Journal(QString programFolder, JournalOptions options, const Clock& clock, EventLog* log)
    : m_programFolder(std::move(programFolder)),
      m_options(std::move(options)),
      m_folder(m_options.folderPath(m_programFolder)),
      m_clock(clock),
      m_log(log)
{
    m_status = QJsonObject{{QStringLiteral("file"), QString()},
                           {QStringLiteral("records"), 0},
                           {QStringLiteral("last_seq"), 0},
                           {QStringLiteral("last_seal"), QString()}};
    m_thread = std::thread([this] { run(); });
}

Journal::~Journal()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
    // The writer's last log lines and answers, delivered before their context goes.
    QCoreApplication::sendPostedEvents(&m_context);
}

void Journal::append(QJsonObject record)
{
    const QDateTime stamp = m_clock.now();
    bool overflow = false;
    {
        const std::lock_guard lock(m_mutex);
        if (qsizetype(m_queue.size()) >= m_options.queueLimit) {
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
                Item lost{Item::Kind::Lost,
                          QJsonObject{{QStringLiteral("type"), QStringLiteral("gap")},
                                      {QStringLiteral("reason"), QStringLiteral("queue full")},
                                      {QStringLiteral("lost"), m_lost},
                                      {QStringLiteral("from"), chain::localText(m_lostFrom)},
                                      {QStringLiteral("to"), chain::localText(m_lostTo)}},
                          stamp,
                          {}};
                m_queue.push_back(std::move(lost));
                m_lost = 0;
            }
            m_queue.push_back(Item{Item::Kind::Record, std::move(record), stamp, {}});
        }
    }
    if (overflow)
        report(kLogKind, QStringLiteral("Журнал показов: очередь записей переполнена (%1), новые "
                                        "записи теряются, пока диск не освободится")
                             .arg(m_options.queueLimit));
    m_wake.notify_one();
}

void Journal::seal(std::function<void(bool ok, QString text)> done)
{
    // Behind records a full disk holds back the seal would wait as long: the caller hears now.
    if (m_diskFull.load()) {
        answer(
            std::move(done), false,
            QStringLiteral("the journal cannot be written (disk full?): records wait in memory"));
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(Item{Item::Kind::Seal, {}, m_clock.now(), std::move(done)});
    }
    m_wake.notify_one();
}

QJsonObject Journal::status() const
{
    const std::lock_guard lock(m_mutex);
    return m_status;
}

bool Journal::flush(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return m_failed || (m_ready && m_queue.empty() && !m_writing);
    });
}

void Journal::run()
{
    // Nothing may end the program from this thread: what throws (memory) is logged and the
    // journal stops writing; the queue keeps what it was given.
    try {
        write();
    } catch (...) {
        report(QStringLiteral("error"),
               QStringLiteral("Журнал показов остановлен: %1").arg(currentExceptionText()));
        const std::lock_guard lock(m_mutex);
        m_ready = true;
        m_failed = true;
        m_idle.notify_all();
    }
}

void Journal::write()
{
    recover();
    std::unique_lock lock(m_mutex);
    m_ready = true;
    for (;;) {
        if (m_day.isValid() && m_clock.now().date() > m_day) {
            lock.unlock();
            closeDay("midnight");
            lock.lock();
            // A seal the full disk refused is tried again a little later.
            if (m_clock.now().date() > m_day)
                m_wake.wait_for(lock, kRetry);
            continue;
        }
        if (m_queue.empty()) {
            if (m_stopping)
                break;
            m_idle.notify_all();
            m_wake.wait_for(lock, kIdleWake);
            continue;
        }
        Item item = m_queue.front();
        m_writing = true;
        lock.unlock();
        bool done = true;
        if (item.kind == Item::Kind::Seal) {
            const bool ok = writeSeal("request", item.stamp);
            answer(std::move(item.done), ok,
                   ok ? QStringLiteral("sealed %1 at seq %2")
                            .arg(m_day.toString(Qt::ISODate))
                            .arg(m_seq)
                      : QStringLiteral("the journal could not be sealed"));
        } else {
            done = writeRecord(std::move(item.record), item.stamp);
        }
        lock.lock();
        m_writing = false;
        if (done) {
            m_queue.pop_front();
        } else if (m_stopping) {
            report(QStringLiteral("error"),
                   QStringLiteral("Журнал показов: при выходе не записано записей: %1")
                       .arg(m_queue.size() + size_t(m_lost)));
            m_queue.clear();
            break;
        } else {
            m_wake.wait_for(lock, kRetry);
        }
    }
    m_idle.notify_all();
    lock.unlock();
    if (!(m_lastWasSeal && m_lastSealReason == "exit"))
        writeSeal("exit", m_clock.now());
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void Journal::recover()
{
    QString error;
    if (auto key = StationKey::loadOrCreate(m_programFolder, &error))
        m_key = std::make_unique<StationKey>(std::move(*key));
    else
        report(QStringLiteral("error"),
               QStringLiteral("Журнал показов не сможет запечатать дни: %1").arg(error));
    if (!QDir().mkpath(m_folder))
        report(QStringLiteral("error"),
               QStringLiteral("Журнал показов: папку %1 не создать").arg(m_folder));

    m_lastHash = m_key ? chain::genesisHash(m_key->publicKey()) : chain::sha256Hex("");
    const QList<DayFile> files = dayFiles(m_folder);
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
            if (!QFile::exists(file.path + QLatin1String(".minisig"))) {
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
        m_lastWasSeal = damaged == 0 && last.value(u"type").toString() == u"seal";
        m_lastSealReason = m_lastWasSeal ? last.value(u"reason").toString().toLatin1() : "";
        break;
    }
    const bool clean = files.isEmpty() || (m_lastWasSeal && m_lastSealReason == "exit");
    if (gap.isEmpty() && !clean)
        gap = QJsonObject{{QStringLiteral("type"), QStringLiteral("gap")},
                          {QStringLiteral("reason"), QStringLiteral("unclean end")}};
    if (!gap.isEmpty()) {
        gap.insert(QStringLiteral("after_seq"), m_seq);
        if (damaged > 0)
            gap.insert(QStringLiteral("damaged_lines"), damaged);
        // Written into the day where the loss happened, before that day is closed.
        const QDateTime now = m_clock.now();
        writeRecord(gap, m_fd >= 0 && m_day < now.date()
                             ? now.addDays(m_day.daysTo(now.date()) * -1)
                             : now);
    }
    {
        const std::lock_guard lock(m_mutex);
        m_status[QStringLiteral("last_seq")] = m_seq;
    }
    if (m_day.isValid() && m_day < m_clock.now().date())
        closeDay("midnight");
    // A day sealed by an earlier run that ended before its signature was written.
    for (const DayFile& file : files) {
        if (file.day >= m_day || QFile::exists(file.path + QLatin1String(".minisig")))
            continue;
        bool readable = false;
        const QByteArray bytes = readWhole(file.path, &readable);
        const QByteArray lastLine = bytes.chopped(bytes.endsWith('\n') ? 1 : 0);
        const QJsonObject last =
            QJsonDocument::fromJson(lastLine.mid(lastLine.lastIndexOf('\n') + 1)).object();
        if (readable && last.value(u"type").toString() == u"seal")
            signClosedDay(file.day);
    }
    removeExpired();
}

void Journal::closeDay(const char* reason)
{
    if (m_fd >= 0) {
        if (!m_lastWasSeal && !writeSeal(reason, m_clock.now()))
            return;  // tried again: the day stays open until its seal is on the disk
        ::close(m_fd);
        m_fd = -1;
        signClosedDay(m_day);
    }
    const QDate today = m_clock.now().date();
    if (!m_day.isValid() || today > m_day)
        m_day = today;
    removeExpired();
}

bool Journal::openDay(QDate day, QString* error)
{
    QString path;
    // A closed day is never opened again (the clock went back past a midnight): the record
    // goes to the next day that is still open.
    for (;;) {
        path = m_folder + u'/' + chain::dayFileName(day);
        if (!QFile::exists(path + QLatin1String(".minisig")))
            break;
        day = day.addDays(1);
    }
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

bool Journal::writeRecord(QJsonObject record, const QDateTime& stamp, QByteArray* written)
{
    QString error;
    QDate day = stamp.toLocalTime().date();
    if (m_day.isValid() && day < m_day)
        day = m_day;
    if (m_fd >= 0 && day > m_day) {
        closeDay("midnight");
        if (m_fd >= 0)
            return false;
    }
    if (m_fd < 0 && !openDay(day, &error)) {
        setAlarm(error);
        return false;
    }
    record.insert(QStringLiteral("seq"), m_seq + 1);
    record.insert(QStringLiteral("local"), chain::localText(stamp));
    record.insert(QStringLiteral("utc"), chain::utcText(stamp));
    record.insert(QStringLiteral("clock_synced"), clockSynchronised());
    record.insert(QStringLiteral("prev"), QString::fromLatin1(m_lastHash));
    const QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact);
    if (!commitLine(line, nullptr, stamp))
        return false;
    if (written)
        *written = line;
    return true;
}

bool Journal::writeSeal(const char* reason, const QDateTime& stamp)
{
    if (!m_key)
        return false;
    QString error;
    QDate day = stamp.toLocalTime().date();
    if (m_day.isValid() && day < m_day)
        day = m_day;
    if (m_fd < 0 && !openDay(day, &error)) {
        setAlarm(error);
        return false;
    }
    const QJsonObject record{{QStringLiteral("type"), QStringLiteral("seal")},
                             {QStringLiteral("reason"), QString::fromLatin1(reason)},
                             {QStringLiteral("day"), m_day.toString(Qt::ISODate)},
                             {QStringLiteral("records"), m_dayRecords},
                             {QStringLiteral("first_prev"),
                              QString::fromLatin1(m_dayRecords == 0 ? m_lastHash : m_dayFirstPrev)},
                             {QStringLiteral("key_id"), m_key->publicKey().keyIdText()},
                             {QStringLiteral("seq"), m_seq + 1},
                             {QStringLiteral("local"), chain::localText(stamp)},
                             {QStringLiteral("utc"), chain::utcText(stamp)},
                             {QStringLiteral("clock_synced"), clockSynchronised()},
                             {QStringLiteral("prev"), QString::fromLatin1(m_lastHash)}};
    const QByteArray body = QJsonDocument(record).toJson(QJsonDocument::Compact);
    return commitLine(chain::sealLine(body, m_key->sign(body)), reason, stamp);
}

bool Journal::commitLine(const QByteArray& line, const char* sealReason, const QDateTime& stamp)
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
    m_lastWasSeal = sealReason != nullptr;
    if (sealReason)
        m_lastSealReason = sealReason;
    const std::lock_guard lock(m_mutex);
    m_status[QStringLiteral("file")] =
        QDir(m_programFolder).relativeFilePath(m_folder + u'/' + chain::dayFileName(m_day));
    m_status[QStringLiteral("records")] = m_dayRecords;
    m_status[QStringLiteral("last_seq")] = m_seq;
    if (sealReason)
        m_status[QStringLiteral("last_seal")] = chain::localText(stamp);
    return true;
}

bool Journal::writeLine(const QByteArray& line, QString* error)
{
    int failure = 0;
    // At the known end, so a line a full disk cut short is written over by the next attempt.
    if (!writeAll(m_fd, line + '\n', m_end, &failure) || ::fdatasync(m_fd) != 0) {
        failure = failure ? failure : errno;
        if (::ftruncate(m_fd, off_t(m_end)) != 0) {
            // The next attempt writes over the part at the same place.
        }
        *error =
            m_folder + u'/' + chain::dayFileName(m_day) + QLatin1String(": ") + errnoText(failure);
        return false;
    }
    m_end += line.size() + 1;
    clearAlarm();
    return true;
}

void Journal::signClosedDay(QDate day)
{
    if (!m_key)
        return;
    const QString path = m_folder + u'/' + chain::dayFileName(day);
    bool readable = false;
    const QByteArray bytes = readWhole(path, &readable);
    if (!readable)
        return;
    const QString comment = QStringLiteral("timestamp:%1\tfile:%2\thashed")
                                .arg(m_clock.now().toSecsSinceEpoch())
                                .arg(chain::dayFileName(day));
    QString error;
    if (!replaceFile(path + QLatin1String(".minisig"), minisign::signature(*m_key, bytes, comment),
                     &error))
        report(QStringLiteral("error"),
               QStringLiteral("Журнал показов: подпись дня не записана: %1").arg(error));
}

void Journal::removeExpired()
{
    const QDate cutoff = m_clock.now().date().addDays(-m_options.retentionDays);
    for (const DayFile& file : dayFiles(m_folder)) {
        // Only a day that was sealed and signed goes.
        if (file.day >= cutoff || file.day >= m_day ||
            !QFile::exists(file.path + QLatin1String(".minisig")))
            continue;
        QFile::remove(file.path);
        QFile::remove(file.path + QLatin1String(".minisig"));
        QFile::remove(file.path + QLatin1String(".torn"));
    }
}

void Journal::report(const QString& kind, const QString& text)
{
    if (!m_log)
        return;
    if (QThread::currentThread() == m_context.thread()) {
        m_log->write(kind, text);
        return;
    }
    postGuarded(&m_context, Origin::unattended(QStringLiteral("asrun")),
                [log = m_log, kind, text] { log->write(kind, text); });
}

void Journal::answer(std::function<void(bool, QString)> done, bool ok, QString text)
{
    if (!done)
        return;
    QMetaObject::invokeMethod(  // plain: the body catches what it throws and logs it
        &m_context,
        [this, done = std::move(done), ok, text = std::move(text)] {
            try {
                done(ok, text);
            } catch (...) {
                report(QStringLiteral("error"), currentExceptionText());
            }
        },
        Qt::QueuedConnection);
}

void Journal::setAlarm(const QString& text)
{
    if (m_alarm)
        return;
    m_alarm = true;
    m_diskFull = true;
    report(QStringLiteral("error"),
           QStringLiteral("Журнал показов не записывается, записи ждут в памяти: %1").arg(text));
}

void Journal::clearAlarm()
{
    if (!m_alarm)
        return;
    m_alarm = false;
    m_diskFull = false;
    {
        const std::lock_guard lock(m_mutex);
        m_overflowTold = false;
    }
    report(kLogKind, QStringLiteral("Журнал показов снова записывается"));
}

}  // namespace velumo::asrun
