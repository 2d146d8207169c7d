#include "recorder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <atomic>
#include <mutex>

#include "asrun/recordsink.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/worker.h"

#ifndef VELUMO_VERSION
#define VELUMO_VERSION "unknown"
#endif

namespace velumo::asrun {

// The hash of one content entry's file, filled on the worker's thread.
struct Recorder::Hash {
    std::mutex mutex;
    bool done = false;
    QString hex;
};

namespace {

const QString kType = QStringLiteral("type");

QString hashFile(const QString& path, const std::atomic_bool* cancel)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        if (cancel && cancel->load())
            return QString();
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n < 0)
            return QString();
        if (n == 0)
            break;
        hash.addData(QByteArrayView(chunk.constData(), n));
    }
    return QString::fromLatin1(hash.result().toHex());
}

// The local file a content target names, or "" (an address, a device, a name without a path).
QString localFile(const QString& target)
{
    QString path = target;
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        path = QUrl(path).toLocalFile();
    if (path.isEmpty() || !QFileInfo(path).isAbsolute())
        return QString();
    return path;
}

}  // namespace

Recorder::Recorder(EventLog& events, RecordSink& sink, Worker& hashing, QObject* parent)
    : QObject(parent), m_events(events), m_sink(sink), m_hashing(hashing)
{
    connectGuarded(&m_events, &EventLog::posted, this, Origin::unattended(QStringLiteral("asrun")),
                   &Recorder::onEvent);
}

Recorder::~Recorder()
{
    finish();
}

QString Recorder::moment(const QDateTime& at)
{
    const QDateTime local = at.toLocalTime();
    const int offsetS = local.offsetFromUtc();
    const int minutes = qAbs(offsetS) / 60;
    return local.toString(u"yyyy-MM-dd'T'HH:mm:ss.zzz") + (offsetS < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString Recorder::sha256OfFile(const QString& path)
{
    return hashFile(path, nullptr);
}

void Recorder::onEvent(const Event& event)
{
    // The program's exit is its last record.
    if (m_finished || m_exited)
        return;
    if (event.kind == u"player") {
        onPlayer(event);
    } else if (event.kind == u"ticker") {
        onTicker(event);
    } else if (event.kind == u"dispatcher") {
        enqueue({{kType, QStringLiteral("dispatcher")},
                 {QStringLiteral("event"), event.fields.value(u"event").toString()}});
    } else if (event.kind == u"program") {
        onProgram(event);
    } else if (event.kind == u"clock") {
        enqueue({{kType, QStringLiteral("clock")},
                 {QStringLiteral("step_s"), event.fields.value(u"step_s").toDouble()}});
    }
}

void Recorder::onPlayer(const Event& event)
{
    const QJsonObject& f = event.fields;
    const QString letterText = f.value(u"letter").toString();
    if (letterText.size() != 1)
        return;
    const QChar letter = letterText.at(0);
    const QString what = f.value(u"event").toString();
    const double seconds = f.value(u"seconds").toDouble();
    if (what == u"start" || what == u"recovered") {
        if (!f.contains(u"target"))
            return;  // a letter without a player
        // A start over a running entry replaces its content; failed content that came back is
        // recorded from its return.
        close(letter, event.time, QStringLiteral("stopped"));
        open(letter, event);
        return;
    }
    auto entry = m_open.find(letter);
    if (entry == m_open.end())
        return;
    if (what == u"started") {
        if (f.value(u"first").toBool() && !entry->firstPicture.isValid())
            entry->firstPicture = event.time;
    } else if (what == u"ended") {
        entry->ended = true;
    } else if (what == u"failed") {
        close(letter, event.time, QStringLiteral("failed"), seconds, f.value(u"reason").toString());
    } else if (what == u"stopped") {
        close(letter, event.time,
              entry->ended ? QStringLiteral("ended") : QStringLiteral("stopped"), seconds);
    } else if (what == u"parked") {
        close(letter, event.time, QStringLiteral("parked"), seconds);
    }
}

void Recorder::open(QChar letter, const Event& event)
{
    const QJsonObject& f = event.fields;
    Entry entry;
    entry.kind = QString(letter);
    entry.slot = f.value(u"slot").toString();
    entry.source = f.value(u"target").toString();
    entry.planLine = f.value(u"plan_line").toString();
    entry.hash = std::make_shared<Hash>();
    const QString file = letter == u't' ? QString() : localFile(entry.source);
    if (file.isEmpty()) {
        entry.hash->done = true;
    } else {
        // The file as it is when its player opens it; the record waits for the hash.
        std::shared_ptr<Hash> hash = entry.hash;
        m_hashing.run(
            this,
            [file, hash](const JobContext<std::monostate>& context) {
                const QString hex = hashFile(file, &context.cancelFlag());
                const std::lock_guard<std::mutex> lock(hash->mutex);
                hash->hex = hex;
                hash->done = true;
            },
            [this](const JobResult<std::monostate>&) { drain(); });
    }
    m_open.insert(letter, entry);
}

void Recorder::close(QChar letter, const QDateTime& at, const QString& end, double seconds,
                     const QString& reason)
{
    auto found = m_open.find(letter);
    if (found == m_open.end())
        return;
    const Entry entry = *found;
    m_open.erase(found);
    if (seconds < 0 && entry.firstPicture.isValid())
        seconds = entry.firstPicture.msecsTo(at) / 1000.0;
    QJsonObject record{
        {kType, QStringLiteral("content")},
        {QStringLiteral("kind"), entry.kind},
        {QStringLiteral("slot"), entry.slot},
        {QStringLiteral("source"), entry.source},
        {QStringLiteral("plan_line"), entry.planLine},
        {QStringLiteral("first_picture"), entry.firstPicture.isValid()
                                              ? QJsonValue(moment(entry.firstPicture))
                                              : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("left"), moment(at)},
        {QStringLiteral("seconds"), entry.firstPicture.isValid() ? seconds : 0.0},
        {QStringLiteral("end"), end},
    };
    if (end == u"failed")
        record.insert(QStringLiteral("reason"), reason);
    enqueue(std::move(record), entry.hash);
}

void Recorder::onTicker(const Event& event)
{
    const QJsonObject& f = event.fields;
    if (f.value(u"event").toString() != u"announcement")
        return;
    const auto at = [&f](const char16_t* name) {
        return moment(QDateTime::fromMSecsSinceEpoch(qint64(f.value(name).toDouble())));
    };
    enqueue({{kType, QStringLiteral("announcement")},
             {QStringLiteral("index"), f.value(u"index").toString()},
             {QStringLiteral("tariff"), f.value(u"tariff").toString()},
             {QStringLiteral("text"), f.value(u"text").toString()},
             {QStringLiteral("entered"), at(u"entered_ms")},
             {QStringLiteral("left"), at(u"left_ms")}});
}

void Recorder::onProgram(const Event& event)
{
    const QString what = event.fields.value(u"event").toString();
    if (what == u"exit") {
        m_exited = true;
        // What is still on the screen ends with the program.
        const QList<QChar> letters = m_open.keys();
        for (QChar letter : letters)
            close(letter, event.time, QStringLiteral("stopped"));
    }
    enqueue({{kType, QStringLiteral("program")},
             {QStringLiteral("event"), what},
             {QStringLiteral("version"), QStringLiteral(VELUMO_VERSION)}});
}

void Recorder::enqueue(QJsonObject record, std::shared_ptr<Hash> hash)
{
    m_queue.push_back(Waiting{std::move(record), std::move(hash), {}});
    m_queue.back().since.start();
    drain();
}

void Recorder::drain(bool all)
{
    while (!m_queue.empty()) {
        Waiting& head = m_queue.front();
        if (head.hash) {
            const std::lock_guard<std::mutex> lock(head.hash->mutex);
            const bool late = head.since.elapsed() > kHashWaitMs;
            if (!head.hash->done && !all && !late)
                return;
            head.record.insert(QStringLiteral("sha256"), head.hash->hex);
            if (!head.hash->done)
                head.record.insert(QStringLiteral("sha256_error"),
                                   late ? QStringLiteral("the file was not read in time")
                                        : QStringLiteral("the program ended before the file "
                                                         "was read"));
        }
        QJsonObject record = std::move(head.record);
        m_queue.pop_front();
        m_sink.append(std::move(record));
    }
}

void Recorder::finish(std::chrono::milliseconds timeout)
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_queue.empty())
        m_hashing.waitForIdle(timeout);
    drain(true);
}

}  // namespace velumo::asrun
