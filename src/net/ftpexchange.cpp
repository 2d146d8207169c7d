#include "ftpexchange.h"

#include <QDir>
#include <QFileInfo>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/timer.h"
#include "net/backgroundworker.h"
#include "net/dialup.h"
#include "net/htmlexport.h"
#include "net/progressthrottle.h"
#include "ticker/blockedits.h"
#include "ticker/tickerblock.h"

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

FtpExchange::FtpExchange(Settings& settings, TickerBlock& block, BlockEdits& edits, DialUp& dialUp,
                         Notifier& notifier, EventLog* log, TimerFactory& timers,
                         QString programFolder, FtpLimits limits, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_block(block),
      m_edits(edits),
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
        m_workers[side] = std::make_unique<BackgroundWorker>(
            side == Receive ? QStringLiteral("ftp-receive") : QStringLiteral("ftp-transmit"), this,
            m_notifier);
        m_clients[side] = std::make_unique<FtpClient>(m_limits, &m_workers[side]->abortFlag());
    }
}

FtpExchange::~FtpExchange()
{
    // Stop the threads before the clients they use go.
    for (auto& worker : m_workers)
        worker->stop();
    for (auto& client : m_clients)
        client.reset();
}

QString FtpExchange::sideName(Side side)
{
    return side == Receive ? QStringLiteral("receive") : QStringLiteral("transmit");
}

void FtpExchange::netLog(const QString& text)
{
    if (m_log)
        m_log->write(QStringLiteral("net"), text);
}

void FtpExchange::post(Side side, std::function<void()> result)
{
    m_workers[side]->post(std::move(result));
}

void FtpExchange::postActivity(Side side, std::function<void(NetActivity&)> change)
{
    post(side, [this, side, change = std::move(change)] {
        change(m_activity[side]);
        emit activityChanged(side);
    });
}

ByteProgress FtpExchange::progressReporter(Side side)
{
    auto throttle = std::make_shared<ProgressThrottle>(kProgressIntervalMs);
    return [this, side, throttle](qint64 done, qint64 total) {
        if (!throttle->due(done, total))
            return;
        postActivity(side, [done, total](NetActivity& activity) {
            activity.bytes = done;
            activity.total = total;
        });
    };
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
    m_workers[side]->submit([this, side, login] {
        FtpClient& client = *m_clients[side];
        if (client.connected()) {
            post(side, [this, side] { m_notifier.message(already[side]); });
            return;
        }
        try {
            const QString dir = client.connectTo(login);
            post(side, [this, side, dir] {
                setConnected(side, true);
                netLog(QStringLiteral("%1: connected, directory %2").arg(sideName(side), dir));
                m_notifier.message(QStringLiteral("Соеденились! Текущая директория") + dir);
            });
        } catch (const Failure& failure) {
            const QString text = failure.text();
            post(side, [this, side, text] {
                netLog(QStringLiteral("%1: connect failed: %2").arg(sideName(side), text));
                m_notifier.errorReport(text);
            });
        }
    });
}

void FtpExchange::disconnectSide(Side side)
{
    m_workers[side]->submit([this, side] {
        m_clients[side]->disconnect();
        post(side, [this, side] {
            setConnected(side, false);
            netLog(QStringLiteral("%1: disconnected").arg(sideName(side)));
            m_notifier.message(side == Receive ? QStringLiteral("Отсоединились от приема")
                                               : QStringLiteral("Отсоединились от передачи"));
        });
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
    const QString remoteDir = m_settings.text(k(kKeys[side].remoteDir));
    const QString localDir = localFolder();
    const QStringList uploads = m_uploads;
    const bool webPage = side == Transmit && m_settings.checked(key::SCCheckbox20);
    if (webPage)
        m_edits.flushEdits();
    const QStringList text = webPage ? m_block.text() : QStringList();
    const int fileCount = int(uploads.size()) + (webPage ? 1 : 0);

    m_workers[side]->submit([=, this] {
        FtpClient& client = *m_clients[side];
        auto transfers = [&] {
            if (!loginError.isEmpty())
                throw Failure(loginError);
            if (side == Receive)
                downloadFiles(client, login, remoteDir, localDir);
            else
                uploadFiles(client, login, remoteDir, uploads, fileCount);
        };
        if (permanent) {
            QString blockError;
            try {
                transfers();
            } catch (const Failure& failure) {
                // The protected block ends quietly: no message, only the page's line says why.
                const QString error = failure.text();
                blockError = error;
                post(side, [this, side, error] {
                    netLog(QStringLiteral("%1: run ended by an error (not shown): %2")
                               .arg(sideName(side), error));
                });
            }
            const bool connected = client.connected();
            post(side, [this, side, connected] { setConnected(side, connected); });
            if (webPage) {
                try {
                    webPageStep(client, remoteDir, text, fileCount);
                } catch (const Failure& failure) {
                    const QString error = failure.text();
                    post(side, [this, side, error, finished] {
                        netLog(
                            QStringLiteral("%1: web page failed: %2").arg(sideName(side), error));
                        m_notifier.errorReport(error);
                        endRun(side, false, finished, error);
                    });
                    return;
                }
            }
            // A run whose block failed did not do its work, even though it shows no box.
            post(side, [this, side, finished, blockError] {
                endRun(side, blockError.isEmpty(), finished, blockError);
            });
            return;
        }

        // Dial-up: the run has a session of its own, which ends with the run (the line goes).
        const bool manual = client.connected();
        try {
            if (manual)
                throw Failure(QStringLiteral("Already connected."));
            transfers();
            if (webPage)
                webPageStep(client, remoteDir, text, fileCount);
            client.disconnect();
            post(side, [this, side, finished] {
                setConnected(side, false);
                // The list keeps the run's files, as after a run over a permanent network.
                m_dialUp.DisconnectURL();
                endRun(side, true, finished);
            });
        } catch (const Failure& failure) {
            if (!manual)
                client.disconnect();
            const QString error = failure.text();
            const bool connected = client.connected();
            post(side, [this, side, error, connected, finished] {
                setConnected(side, connected);
                netLog(QStringLiteral("%1: run failed: %2").arg(sideName(side), error));
                m_notifier.errorReport(error);
                endRun(side, false, finished, error);
            });
        }
    });
}

void FtpExchange::downloadFiles(FtpClient& client, const FtpLogin& login, const QString& remoteDir,
                                const QString& localDir)
{
    if (!client.connected())
        client.connectTo(login);
    post(Receive, [this] { setConnected(Receive, true); });
    postActivity(Receive,
                 [](NetActivity& activity) { activity.phase = NetActivity::Phase::Listing; });
    const QList<QByteArray> names = client.list(remoteDir);
    QStringList shown;
    shown.reserve(names.size());
    for (const QByteArray& name : names)
        shown.append(FtpClient::localName(name));
    post(Receive, [this, shown, dir = client.displayUrl(remoteDir)] {
        m_listed = shown;
        emit lbListChanged();
        netLog(QStringLiteral("receive: %1 lists %2 names").arg(dir).arg(shown.size()));
    });
    int count = 0;
    for (const QByteArray& name : names)
        count += FtpClient::isSafeName(name) ? 1 : 0;
    int number = 0;
    for (const QByteArray& name : names) {
        QString why;
        if (!FtpClient::isSafeName(name, &why)) {
            const QString printable = QString::fromLatin1(name.toPercentEncoding(" "));
            post(Receive, [this, printable, why] {
                netLog(
                    QStringLiteral("receive: remote name \"%1\" skipped: %2").arg(printable, why));
            });
            postActivity(Receive, [](NetActivity& activity) { ++activity.skipped; });
            continue;
        }
        if (m_workers[Receive]->abortFlag())
            throw Failure(QStringLiteral("Stopped"));
        const QString file = FtpClient::localName(name);
        ++number;
        postActivity(Receive, [file, number, count](NetActivity& activity) {
            activity.startFile(file, number, count, -1);
        });
        const FtpClient::Retrieved result =
            client.retrieve(remoteDir, name, localDir, progressReporter(Receive));
        post(Receive, [this, file, result] {
            netLog(QStringLiteral("receive: %1 %2 (%3 bytes)")
                       .arg(file, outcomeText(result.outcome))
                       .arg(result.bytes));
        });
        postActivity(Receive, [result](NetActivity& activity) {
            activity.finishFile(result.bytes, result.outcome == FtpClient::Outcome::UpToDate);
        });
    }
}

void FtpExchange::uploadFiles(FtpClient& client, const FtpLogin& login, const QString& remoteDir,
                              const QStringList& files, int fileCount)
{
    if (!client.connected())
        client.connectTo(login);
    post(Transmit, [this] { setConnected(Transmit, true); });
    int number = 0;
    for (const QString& path : files) {
        if (m_workers[Transmit]->abortFlag())
            throw Failure(QStringLiteral("Stopped"));
        const QString name = QFileInfo(path).fileName();
        ++number;
        postActivity(Transmit, [name, number, fileCount](NetActivity& activity) {
            activity.startFile(name, number, fileCount, -1);
        });
        const qint64 bytes = client.store(path, remoteDir, name, progressReporter(Transmit));
        post(Transmit, [this, path, bytes] {
            netLog(QStringLiteral("transmit: %1 stored (%2 bytes)").arg(path).arg(bytes));
        });
        postActivity(Transmit,
                     [bytes](NetActivity& activity) { activity.finishFile(bytes, false); });
    }
}

void FtpExchange::webPageStep(FtpClient& client, const QString& remoteDir, const QStringList& text,
                              int fileCount)
{
    const QString source = m_folder + u'/' + kWebSource;
    const QString page = m_folder + u'/' + kWebPage;
    writeTextLines(source, text);
    FileStrToHtml(source, page);
    postActivity(Transmit, [fileCount](NetActivity& activity) {
        activity.startFile(kWebPage, fileCount, fileCount, -1);
    });
    const qint64 bytes = client.store(page, remoteDir, kWebPage, progressReporter(Transmit));
    post(Transmit, [this, bytes] {
        netLog(QStringLiteral("transmit: run_string.htm stored (%1 bytes)").arg(bytes));
    });
    postActivity(Transmit, [bytes](NetActivity& activity) { activity.finishFile(bytes, false); });
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
