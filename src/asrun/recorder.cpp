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
#include "onair/onairmodel.h"
#include "players/contentkind.h"

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

// The record's "end".
QString endName(OnAirEnd::How how)
{
    switch (how) {
        case OnAirEnd::How::Ended:
            return QStringLiteral("ended");
        case OnAirEnd::How::Failed:
            return QStringLiteral("failed");
        case OnAirEnd::How::Parked:
            return QStringLiteral("parked");
        case OnAirEnd::How::Stopped:
            break;
    }
    return QStringLiteral("stopped");
}

// An alert's record: "on" when it came on air, "off" when it went off, and why.
QJsonObject alertRecord(const AlertEvent& alert, const QDateTime& at)
{
    const auto moment = [](const QDateTime& t) {
        return t.isValid() ? QJsonValue(Recorder::moment(t)) : QJsonValue(QJsonValue::Null);
    };
    const bool off = alert.what == AlertEvent::What::Off;
    QJsonObject record{
        {kType, QStringLiteral("alert")},
        {QStringLiteral("event"), off ? QStringLiteral("off") : QStringLiteral("on")},
        {QStringLiteral("identifier"), alert.identifier},
        {QStringLiteral("sender"), alert.sender},
        {QStringLiteral("sent"), moment(alert.sent)},
        {QStringLiteral("severity"), alert.severity},
        {QStringLiteral("urgency"), alert.urgency},
        {QStringLiteral("display"), alert.display},
        {QStringLiteral("headline"), alert.headline},
        {QStringLiteral("mark"), alert.mark},
        {QStringLiteral("source"), alert.source},
        {QStringLiteral("came_on"), moment(alert.since)},
        {QStringLiteral("until"), moment(alert.until)}};
    if (off) {
        record.insert(QStringLiteral("went_off"), moment(at));
        record.insert(QStringLiteral("why"), alert.reason);
        record.insert(QStringLiteral("note"), alert.note);
    }
    return record;
}

}  // namespace

Recorder::Recorder(EventLog& events, const OnAirModel& onAir, RecordSink& sink, Worker& hashing,
                   QObject* parent)
    : QObject(parent), m_onAir(onAir), m_sink(sink), m_hashing(hashing)
{
    const Origin origin = Origin::unattended(QStringLiteral("asrun"));
    connectGuarded(&events, &EventLog::posted, this, origin, &Recorder::onEvent);
    connectGuarded(&onAir, &OnAirModel::entryOpened, this, origin, &Recorder::open);
    connectGuarded(&onAir, &OnAirModel::entryClosed, this, origin, &Recorder::close);
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
    if (const TickerEvent* shown = event.as<TickerEvent>()) {
        const auto at = [](qint64 ms) { return moment(QDateTime::fromMSecsSinceEpoch(ms)); };
        enqueue({{kType, QStringLiteral("announcement")},
                 {QStringLiteral("index"), shown->index},
                 {QStringLiteral("tariff"), shown->tariff},
                 {QStringLiteral("text"), shown->text},
                 {QStringLiteral("entered"), at(shown->enteredMs)},
                 {QStringLiteral("left"), at(shown->leftMs)}});
    } else if (const DispatcherEvent* dispatcher = event.as<DispatcherEvent>()) {
        enqueue({{kType, QStringLiteral("dispatcher")},
                 {QStringLiteral("event"),
                  dispatcher->on ? QStringLiteral("start") : QStringLiteral("stop")}});
    } else if (const ProgramEvent* program = event.as<ProgramEvent>()) {
        const bool exit = program->what == ProgramEvent::What::Exit;
        if (exit) {
            // What is still on the screen ends with the program.
            const OnAirNow now = m_onAir.now();
            for (const OnAirNow::Player& entry : now.players)
                if (!entry.failed)
                    close(entry, {OnAirEnd::How::Stopped, event.time, std::nullopt, QString()});
            for (const OnAirNow::Alert& alert : now.alerts)
                enqueue(alertRecord({AlertEvent::What::Off,
                                     alert.identifier,
                                     alert.sender,
                                     alert.source,
                                     {},
                                     alert.sent,
                                     alert.severity,
                                     alert.urgency,
                                     alert.display,
                                     alert.headline,
                                     alert.mark,
                                     alert.since,
                                     alert.until,
                                     QStringLiteral("exit"),
                                     {}},
                                    event.time));
            m_exited = true;
        }
        enqueue({{kType, QStringLiteral("program")},
                 {QStringLiteral("event"), exit ? QStringLiteral("exit") : QStringLiteral("start")},
                 {QStringLiteral("version"), QStringLiteral(VELUMO_VERSION)}});
    } else if (const AlertEvent* alert = event.as<AlertEvent>()) {
        if (alert->what == AlertEvent::What::On || alert->what == AlertEvent::What::Off)
            enqueue(alertRecord(*alert, event.time));
    } else if (const ClockEvent* clock = event.as<ClockEvent>()) {
        enqueue({{kType, QStringLiteral("clock")}, {QStringLiteral("step_s"), clock->stepS}});
    }
}

void Recorder::open(const OnAirNow::Player& entry)
{
    if (m_finished || m_exited)
        return;
    auto hash = std::make_shared<Hash>();
    // A kind without slots (the capture) plays no file.
    const ContentKind* kind = ContentKind::find(entry.request.letter);
    const QString file = kind && kind->slotColumn == ContentKind::SlotColumn::None
                             ? QString()
                             : localFile(entry.request.target);
    if (file.isEmpty()) {
        hash->done = true;
    } else {
        // The file as it is when its player opens it; the record waits for the hash.
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
    m_open.insert(entry.request.letter, std::move(hash));
}

void Recorder::close(const OnAirNow::Player& entry, const OnAirEnd& end)
{
    if (m_finished || m_exited)
        return;
    const auto found = m_open.find(entry.request.letter);
    if (found == m_open.end())
        return;
    std::shared_ptr<Hash> hash = found.value();
    m_open.erase(found);
    const bool shown = entry.firstPicture.isValid();
    const double seconds = !shown        ? 0.0
                           : end.seconds ? *end.seconds
                                         : entry.firstPicture.msecsTo(end.at) / 1000.0;
    QJsonObject record{
        {kType, QStringLiteral("content")},
        {QStringLiteral("kind"), QString(entry.request.letter)},
        {QStringLiteral("slot"), entry.request.slot},
        {QStringLiteral("source"), entry.request.target},
        {QStringLiteral("plan_line"), entry.request.planLine},
        {QStringLiteral("first_picture"),
         shown ? QJsonValue(moment(entry.firstPicture)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("left"), moment(end.at)},
        {QStringLiteral("seconds"), seconds},
        {QStringLiteral("end"), endName(end.how)},
    };
    if (end.how == OnAirEnd::How::Failed)
        record.insert(QStringLiteral("reason"), end.reason);
    enqueue(std::move(record), std::move(hash));
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
