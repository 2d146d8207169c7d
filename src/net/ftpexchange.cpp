#include "ftpexchange.h"

#include <QDir>
#include <QFileInfo>

#include "base/blocktext.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/timer.h"
#include "base/worker.h"
#include "net/dialup.h"
#include "net/htmlexport.h"
#include "net/progressthrottle.h"

namespace velumo {

const QString FtpExchange::kHelpText = QStringLiteral(
    "Автоматический FTP обмен с удаленным сервером предназначен для обновления выводимого на TV- "
    "выход контента или обновления контента сайта в Интернет.");

namespace {

constexpr qint64 kMinuteMs = 60000;
// How often a transfer's progress may reach the page.
constexpr qint64 kProgressIntervalMs = 100;
const QString kWebSource = QStringLiteral("ftp.str");
const QString kWebPage = QStringLiteral("run_string.htm");

struct SideKeys {
    const char* host;
    const char* port;
    const char* user;
    const char* password;
    const char* remoteDir;
    const char* permanent;
    const char* dialEntry;
    const char* automatic;
    const char* periodMinutes;
    const char* hangUpMinutes;
};

constexpr SideKeys kKeys[2] = {
    {key::SCEdit4, key::SCEdit8, key::SCEdit75, key::SCEdit76, key::SCEdit83, key::SCCheckbox12,
     key::SCEdit86, key::SCCheckbox15, key::SpinEdit35, key::SpinEdit41},
    {key::SCEdit89, key::SCEdit90, key::SCEdit91, key::SCEdit92, key::SCEdit93, key::SCCheckbox16,
     key::SCEdit95, key::SCCheckbox17, key::SpinEdit38, key::SpinEdit42},
};

QString k(const char* name)
{
    return QString::fromLatin1(name);
}

QString outcomeText(FtpClient::Outcome outcome)
{
    switch (outcome) {
        case FtpClient::Outcome::Downloaded:
            return QStringLiteral("downloaded");
        case FtpClient::Outcome::Resumed:
            return QStringLiteral("resumed");
        case FtpClient::Outcome::UpToDate:
            return QStringLiteral("unchanged, nothing transferred");
    }
    return {};
}

}  // namespace

// What a transfer tells the user-interface thread on its way.
struct FtpUpdate {
    enum class Kind { Connected, Log, Listed, Activity };
    Kind kind = Kind::Log;
    QString text;                              // Log: the line
    QStringList names;                         // Listed: the names as shown
    std::function<void(NetActivity&)> change;  // Activity
};

struct FtpExchange::Session {
    explicit Session(const FtpLimits& limits, std::shared_ptr<const std::atomic_bool> cancelFlag)
        : cancel(std::move(cancelFlag)), client(limits, cancel.get())
    {
    }
    std::shared_ptr<const std::atomic_bool> cancel;
    FtpClient client;
};

namespace {

using FtpJob = JobContext<FtpUpdate>;

void reportLog(const FtpJob& job, const QString& text)
{
    FtpUpdate update;
    update.text = text;
    job.report(std::move(update));
}

void reportActivity(const FtpJob& job, std::function<void(NetActivity&)> change)
{
    FtpUpdate update;
    update.kind = FtpUpdate::Kind::Activity;
    update.change = std::move(change);
    job.report(std::move(update));
}

void reportConnected(const FtpJob& job)
{
    FtpUpdate update;
    update.kind = FtpUpdate::Kind::Connected;
    job.report(std::move(update));
}

// A file's progress, thinned out before it crosses threads.
ByteProgress progressReporter(const FtpJob& job)
{
    auto throttle = std::make_shared<ProgressThrottle>(kProgressIntervalMs);
    return [&job, throttle](qint64 done, qint64 total) {
        if (!throttle->due(done, total))
            return;
        reportActivity(job, [done, total](NetActivity& activity) {
            activity.bytes = done;
            activity.total = total;
        });
    };
}

// Everything a run needs, taken on the user-interface thread when it starts.
struct RunOrder {
    FtpExchange::Side side = FtpExchange::Receive;
    bool permanent = true;
    FtpLogin login;
    QString loginError;
    QString remoteDir;
    QString localDir;
    QString programFolder;
    QStringList uploads;
    bool webPage = false;
    QStringList text;
    int fileCount = 0;
};

// How a run ended, for the user-interface thread.
struct RunEnd {
    bool ok = true;
    bool connected = false;
    QString failure;      // what the page shows as the run's end
    bool report = false;  // the failure goes to the operator too
    bool hangUp = false;  // the dial-up line goes
};

// The worker's parts of the runs; they throw Failure at the failing step.
void downloadFiles(FtpClient& client, const RunOrder& order, const FtpJob& job)
{
    if (!client.connected())
        client.connectTo(order.login);
    reportConnected(job);
    reportActivity(job,
                   [](NetActivity& activity) { activity.phase = NetActivity::Phase::Listing; });
    const QList<QByteArray> names = client.list(order.remoteDir);
    FtpUpdate listed;
    listed.kind = FtpUpdate::Kind::Listed;
    listed.names.reserve(names.size());
    for (const QByteArray& name : names)
        listed.names.append(FtpClient::localName(name));
    const qsizetype shown = listed.names.size();
    job.report(std::move(listed));
    reportLog(job, QStringLiteral("receive: %1 lists %2 names")
                       .arg(client.displayUrl(order.remoteDir))
                       .arg(shown));
    int count = 0;
    for (const QByteArray& name : names)
        count += FtpClient::isSafeName(name) ? 1 : 0;
    int number = 0;
    for (const QByteArray& name : names) {
        QString why;
        if (!FtpClient::isSafeName(name, &why)) {
            const QString printable = QString::fromLatin1(name.toPercentEncoding(" "));
            reportLog(
                job, QStringLiteral("receive: remote name \"%1\" skipped: %2").arg(printable, why));
            reportActivity(job, [](NetActivity& activity) { ++activity.skipped; });
            continue;
        }
        if (job.cancelled())
            throw Failure(QStringLiteral("Stopped"));
        const QString file = FtpClient::localName(name);
        ++number;
        reportActivity(job, [file, number, count](NetActivity& activity) {
            activity.startFile(file, number, count, -1);
        });
        const FtpClient::Retrieved result =
            client.retrieve(order.remoteDir, name, order.localDir, progressReporter(job));
        reportLog(job, QStringLiteral("receive: %1 %2 (%3 bytes)")
                           .arg(file, outcomeText(result.outcome))
                           .arg(result.bytes));
        reportActivity(job, [result](NetActivity& activity) {
            activity.finishFile(result.bytes, result.outcome == FtpClient::Outcome::UpToDate);
        });
    }
}

void uploadFiles(FtpClient& client, const RunOrder& order, const FtpJob& job)
{
    if (!client.connected())
        client.connectTo(order.login);
    reportConnected(job);
    int number = 0;
    for (const QString& path : order.uploads) {
        if (job.cancelled())
            throw Failure(QStringLiteral("Stopped"));
        const QString name = QFileInfo(path).fileName();
        ++number;
        reportActivity(job, [name, number, count = order.fileCount](NetActivity& activity) {
            activity.startFile(name, number, count, -1);
        });
        const qint64 bytes = client.store(path, order.remoteDir, name, progressReporter(job));
        reportLog(job, QStringLiteral("transmit: %1 stored (%2 bytes)").arg(path).arg(bytes));
        reportActivity(job, [bytes](NetActivity& activity) { activity.finishFile(bytes, false); });
    }
}

void webPageStep(FtpClient& client, const RunOrder& order, const FtpJob& job)
{
    const QString source = order.programFolder + u'/' + kWebSource;
    const QString page = order.programFolder + u'/' + kWebPage;
    writeTextLines(source, order.text);
    FileStrToHtml(source, page);
    reportActivity(job, [count = order.fileCount](NetActivity& activity) {
        activity.startFile(kWebPage, count, count, -1);
    });
    const qint64 bytes = client.store(page, order.remoteDir, kWebPage, progressReporter(job));
    reportLog(job, QStringLiteral("transmit: run_string.htm stored (%1 bytes)").arg(bytes));
    reportActivity(job, [bytes](NetActivity& activity) { activity.finishFile(bytes, false); });
}

QString sideText(FtpExchange::Side side)
{
    return side == FtpExchange::Receive ? QStringLiteral("receive") : QStringLiteral("transmit");
}

RunEnd runTransfers(FtpClient& client, const RunOrder& order, const FtpJob& job)
{
    const QString side = sideText(order.side);
    auto transfers = [&] {
        if (!order.loginError.isEmpty())
            throw Failure(order.loginError);
        if (order.side == FtpExchange::Receive)
            downloadFiles(client, order, job);
        else
            uploadFiles(client, order, job);
    };
    RunEnd end;
    if (order.permanent) {
        try {
            transfers();
        } catch (const Failure& failure) {
            // The protected block ends quietly: no message, only the page's line says why. A
            // run whose block failed did not do its work, even though it shows no box.
            end.ok = false;
            end.failure = failure.text();
            reportLog(
                job,
                QStringLiteral("%1: run ended by an error (not shown): %2").arg(side, end.failure));
        }
        end.connected = client.connected();
        if (order.webPage) {
            try {
                webPageStep(client, order, job);
            } catch (const Failure& failure) {
                reportLog(job, QStringLiteral("%1: web page failed: %2").arg(side, failure.text()));
                end.ok = false;
                end.failure = failure.text();
                end.report = true;
            }
        }
        return end;
    }

    // Dial-up: the run has a session of its own, which ends with the run (the line goes).
    const bool manual = client.connected();
    try {
        if (manual)
            throw Failure(QStringLiteral("Already connected."));
        transfers();
        if (order.webPage)
            webPageStep(client, order, job);
        client.disconnect();
        // The list keeps the run's files, as after a run over a permanent network.
        end.hangUp = true;
    } catch (const Failure& failure) {
        if (!manual)
            client.disconnect();
        end.ok = false;
        end.failure = failure.text();
        end.report = true;
        reportLog(job, QStringLiteral("%1: run failed: %2").arg(side, end.failure));
    }
    end.connected = client.connected();
    return end;
}

// What a manual connect found.
struct Connected {
    bool already = false;
    QString dir;
    QString error;
};

Connected connectClient(FtpClient& client, const FtpLogin& login)
{
    Connected result;
    if (client.connected()) {
        result.already = true;
        return result;
    }
    try {
        result.dir = client.connectTo(login);
    } catch (const Failure& failure) {
        result.error = failure.text();
    }
    return result;
}

}  // namespace

FtpExchange::FtpExchange(Settings& settings, BlockText& blockText, DialUp& dialUp,
                         Notifier& notifier, EventLog* log, TimerFactory& timers,
                         QString programFolder, FtpLimits limits, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_blockText(blockText),
      m_dialUp(dialUp),
      m_notifier(notifier),
      m_log(log),
      m_folder(std::move(programFolder)),
      m_limits(limits),
      m_timer5(timers.create(QStringLiteral("Timer5"))),
      m_timer6(timers.create(QStringLiteral("Timer6"))),
      m_timStFTP1(timers.create(QStringLiteral("TimStFTP1"))),
      m_timStFTP2(timers.create(QStringLiteral("TimStFTP2")))
{
    m_timer5->setInterval(360000);
    m_timer6->setInterval(360000);
    m_timer5->setHandler([this] { guarded(m_notifier, [this] { Timer5Timer(); }); });
    m_timer6->setHandler([this] { guarded(m_notifier, [this] { Timer6Timer(); }); });
    m_timStFTP1->setHandler([this] { guarded(m_notifier, [this] { TimStFTP1Timer(); }); });
    m_timStFTP2->setHandler([this] { guarded(m_notifier, [this] { TimStFTP2Timer(); }); });
    // The hang-up timers run from the start, so each fires once a minute after start-up.
    m_timStFTP1->setInterval(kMinuteMs);
    m_timStFTP2->setInterval(kMinuteMs);
    m_timStFTP1->start();
    m_timStFTP2->start();
    for (int side : {Receive, Transmit}) {
        m_workers[side] = std::make_unique<Worker>(
            side == Receive ? QStringLiteral("ftp-receive") : QStringLiteral("ftp-transmit"),
            Worker::Order::Serial, 1, &m_notifier, m_log);
        m_sessions[side] = std::make_shared<Session>(m_limits, m_workers[side]->cancelToken());
    }
}

FtpExchange::~FtpExchange()
{
    // A transfer going on is cancelled (the client's progress callback reads the flag) and given
    // a bounded time; one that does not end by then keeps its session and is left behind.
    for (auto& worker : m_workers)
        worker->shutDown();
}

QString FtpExchange::sideName(Side side)
{
    return sideText(side);
}

void FtpExchange::netLog(const QString& text)
{
    if (m_log)
        m_log->write(QStringLiteral("net"), text);
}

void FtpExchange::apply(Side side, const FtpUpdate& update)
{
    switch (update.kind) {
        case FtpUpdate::Kind::Connected:
            setConnected(side, true);
            break;
        case FtpUpdate::Kind::Log:
            netLog(update.text);
            break;
        case FtpUpdate::Kind::Listed:
            m_listed = update.names;
            emit lbListChanged();
            break;
        case FtpUpdate::Kind::Activity:
            update.change(m_activity[side]);
            emit activityChanged(side);
            break;
    }
}

void FtpExchange::setConnected(Side side, bool connected)
{
    if (m_connected[side] == connected)
        return;
    m_connected[side] = connected;
    emit stateChanged();
}

QString FtpExchange::localFolder() const
{
    const QString folder = m_settings.text(key::SCEdit84);
    if (folder.isEmpty() || QDir::isAbsolutePath(folder))
        return folder;
    return m_folder + u'/' + folder;
}

FtpLogin FtpExchange::loginFor(Side side) const
{
    FtpLogin login;
    login.port = strToInt(m_settings.text(k(kKeys[side].port)));
    login.host = m_settings.text(k(kKeys[side].host));
    login.user = m_settings.text(k(kKeys[side].user));
    login.password = m_settings.text(k(kKeys[side].password));
    return login;
}

void FtpExchange::connectSide(Side side)
{
    static const QString already[2] = {
        QStringLiteral("Вы уже соеденены!"),
        QStringLiteral("You are already connected. Please click Logout to disconnect.")};
    if (m_connected[side]) {
        m_notifier.message(already[side]);
        return;
    }
    const FtpLogin login = loginFor(side);  // a port that is not a number fails here
    netLog(QStringLiteral("%1: connecting to %2:%3 as %4")
               .arg(sideName(side), login.host)
               .arg(login.port)
               .arg(login.user));
    m_workers[side]->run(
        this,
        [session = m_sessions[side], login](const auto&) {
            return connectClient(session->client, login);
        },
        [this, side](const JobResult<Connected>& result) {
            if (!result.ok())
                throw Failure(result.error);
            if (result.value->already) {
                m_notifier.message(already[side]);
            } else if (!result.value->error.isEmpty()) {
                const QString& text = result.value->error;
                netLog(QStringLiteral("%1: connect failed: %2").arg(sideName(side), text));
                m_notifier.errorReport(text);
            } else {
                const QString& dir = result.value->dir;
                setConnected(side, true);
                netLog(QStringLiteral("%1: connected, directory %2").arg(sideName(side), dir));
                m_notifier.message(QStringLiteral("Соеденились! Текущая директория") + dir);
            }
        });
}

void FtpExchange::disconnectSide(Side side)
{
    m_workers[side]->run(
        this, [session = m_sessions[side]](const auto&) { session->client.disconnect(); },
        [this, side](const JobResult<std::monostate>& result) {
            if (!result.ok())
                throw Failure(result.error);
            setConnected(side, false);
            netLog(QStringLiteral("%1: disconnected").arg(sideName(side)));
            m_notifier.message(side == Receive ? QStringLiteral("Отсоединились от приема")
                                               : QStringLiteral("Отсоединились от передачи"));
        });
}

bool FtpExchange::SCButton61Click(Finished finished)
{
    if (m_running[Receive]) {
        netLog(QStringLiteral("receive: run not started, the previous run has not ended"));
        return false;
    }
    startRun(Receive, std::move(finished));
    return true;
}

bool FtpExchange::SCButton62Click(Finished finished)
{
    if (m_running[Transmit]) {
        netLog(QStringLiteral("transmit: run not started, the previous run has not ended"));
        return false;
    }
    startRun(Transmit, std::move(finished));
    return true;
}

void FtpExchange::startRun(Side side, Finished finished)
{
    const bool permanent = m_settings.checked(k(kKeys[side].permanent));
    m_running[side] = true;
    emit stateChanged();
    const QString target =
        m_settings.text(k(kKeys[side].host)) + u':' + m_settings.text(k(kKeys[side].port));
    if (permanent)
        m_activity[side].begin(target);
    else
        m_activity[side].beginDialling(m_settings.text(k(kKeys[side].dialEntry)));
    emit activityChanged(side);
    netLog(QStringLiteral("%1: run started (%2)")
               .arg(sideName(side),
                    permanent ? QStringLiteral("permanent network") : QStringLiteral("dial-up")));
    if (permanent) {
        // Everything, the conversion of the port included, is inside the protected block.
        FtpLogin login;
        QString loginError;
        try {
            login = loginFor(side);
        } catch (const Failure& failure) {
            loginError = failure.text();
        }
        submitRun(side, true, login, loginError, std::move(finished));
        return;
    }
    m_dialUp.ConnectURL(m_settings.text(k(kKeys[side].dialEntry)), [this, side, finished] {
        m_activity[side].connectTo(m_settings.text(k(kKeys[side].host)) + u':' +
                                   m_settings.text(k(kKeys[side].port)));
        emit activityChanged(side);
        FtpLogin login;
        try {
            login = loginFor(side);
        } catch (const Failure& failure) {
            netLog(QStringLiteral("%1: run failed: %2").arg(sideName(side), failure.text()));
            m_notifier.errorReport(failure.text());
            endRun(side, false, finished, failure.text());
            return;
        }
        submitRun(side, false, login, QString(), finished);
    });
}

void FtpExchange::submitRun(Side side, bool permanent, const FtpLogin& login,
                            const QString& loginError, Finished finished)
{
    RunOrder order;
    order.side = side;
    order.permanent = permanent;
    order.login = login;
    order.loginError = loginError;
    order.remoteDir = m_settings.text(k(kKeys[side].remoteDir));
    order.localDir = localFolder();
    order.programFolder = m_folder;
    if (side == Transmit)
        order.uploads = m_uploads;
    order.webPage = side == Transmit && m_settings.checked(key::SCCheckbox20);
    if (order.webPage)
        order.text = m_blockText.wholeText();
    order.fileCount = int(order.uploads.size()) + (order.webPage ? 1 : 0);

    m_workers[side]->run<FtpUpdate>(
        this,
        [session = m_sessions[side], order](const FtpJob& job) {
            return runTransfers(session->client, order, job);
        },
        [this, side](const FtpUpdate& update) { apply(side, update); },
        [this, side, finished](const JobResult<RunEnd>& result) {
            if (!result.ok()) {
                // Something other than a transfer's failure (memory ran out): the run ends.
                netLog(QStringLiteral("%1: run failed: %2").arg(sideName(side), result.error));
                endRun(side, false, finished, result.error);
                throw Failure(result.error);
            }
            const RunEnd& end = *result.value;
            setConnected(side, end.connected);
            if (end.report)
                m_notifier.errorReport(end.failure);
            if (end.hangUp)
                m_dialUp.DisconnectURL();
            endRun(side, end.ok, finished, end.failure);
        });
}

void FtpExchange::endRun(Side side, bool ok, const Finished& finished, const QString& failure)
{
    m_running[side] = false;
    if (failure.isEmpty())
        m_activity[side].succeed();
    else
        m_activity[side].fail(failure);
    emit activityChanged(side);
    netLog(QStringLiteral("%1: run %2")
               .arg(sideName(side), ok ? QStringLiteral("finished") : QStringLiteral("abandoned")));
    emit stateChanged();
    if (finished)
        finished(ok);
}

void FtpExchange::SCButton66Click()
{
    m_notifier.message(kHelpText);
}

void FtpExchange::SCCheckbox15Click()
{
    if (m_settings.checked(key::SCCheckbox15)) {
        m_timer5->setInterval(m_settings.spin(key::SpinEdit35) * kMinuteMs);
        m_timer5->start();
    } else {
        m_timer5->stop();
    }
}

void FtpExchange::SCCheckbox17Click()
{
    if (m_settings.checked(key::SCCheckbox17)) {
        m_timer6->setInterval(m_settings.spin(key::SpinEdit38) * kMinuteMs);
        m_timer6->start();
    } else {
        m_timer6->stop();
    }
}

void FtpExchange::armAutomaticRuns()
{
    // The stored periods, as if the boxes had been clicked.
    if (m_settings.checked(key::SCCheckbox15))
        SCCheckbox15Click();
    if (m_settings.checked(key::SCCheckbox17))
        SCCheckbox17Click();
}

void FtpExchange::Timer5Timer()
{
    SCButton61Click([this](bool ok) {
        if (!ok)
            return;
        m_timStFTP1->setInterval(m_settings.spin(key::SpinEdit41) * kMinuteMs);
        m_timStFTP1->start();
    });
}

void FtpExchange::Timer6Timer()
{
    SCButton62Click([this](bool ok) {
        if (!ok)
            return;
        m_timStFTP2->setInterval(m_settings.spin(key::SpinEdit42) * kMinuteMs);
        m_timStFTP2->start();
    });
}

void FtpExchange::TimStFTP1Timer()
{
    m_timStFTP1->stop();
    m_dialUp.DisconnectURL(true);
}

void FtpExchange::TimStFTP2Timer()
{
    m_timStFTP2->stop();
    m_dialUp.DisconnectURL(true);
}

void FtpExchange::addUpload(const QString& path)
{
    if (path.isEmpty())
        return;
    m_uploads.append(path);
    emit LBlist2Changed();
}

}  // namespace velumo
