#include "dialup.h"

#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <memory>

#include "base/eventlog.h"
#include "base/guard.h"
#include "base/notifier.h"

namespace velumo {

namespace {

const QString kNoName = QStringLiteral("Задайте имя соединения ");
const QString kHungUp = QStringLiteral("Отсоединились");
const QString kErrorTitle = QStringLiteral("Ошибка!");

// nmcli's exit code for a connection that does not exist.
constexpr int kNmcliUnknownConnection = 10;
constexpr qsizetype kErrorTextLength = 100;

bool isDialUpType(const QString& type)
{
    static const QStringList kinds = {QStringLiteral("gsm"), QStringLiteral("cdma"),
                                      QStringLiteral("pppoe"), QStringLiteral("adsl"),
                                      QStringLiteral("ppp")};
    return kinds.contains(type);
}

}  // namespace

DialUp::DialUp(Notifier& notifier, EventLog* log, QString program, QObject* parent)
    : QObject(parent), m_notifier(notifier), m_log(log), m_program(std::move(program))
{
}

DialUp::~DialUp()
{
    // Client runs still going are killed with their QProcess children.
    for (QProcess* process : findChildren<QProcess*>()) {
        process->disconnect();
        process->kill();
        process->waitForFinished(1000);
    }
}

QString DialUp::stateText(int state)
{
    static const QHash<int, QString> texts = {
        {0, QStringLiteral("Opening port")},
        {1, QStringLiteral("Port opened")},
        {2, QStringLiteral("Connecting device")},
        {3, QStringLiteral("Device connected")},
        {4, QStringLiteral("All devices connected")},
        {5, QStringLiteral("Start authenticating")},
        {6, QStringLiteral("Authentication: notify")},
        {7, QStringLiteral("Authentication: retry")},
        {8, QStringLiteral("Authentication: callback")},
        {9, QStringLiteral("Authentication: change password")},
        {10, QStringLiteral("Authentication: projecting")},
        {11, QStringLiteral("Authentication: link speed")},
        {12, QStringLiteral("Authentication: acknowledge")},
        {13, QStringLiteral("Authentication: reauthenticate")},
        {14, QStringLiteral("Authenticated")},
        {15, QStringLiteral("Preparing for callback")},
        {16, QStringLiteral("Waiting for modem reset")},
        {17, QStringLiteral("Waiting for callback")},
        {18, QStringLiteral("Projected")},
        {19, QStringLiteral("Start authentication")},
        {20, QStringLiteral("Callback complete")},
        {21, QStringLiteral("Logging on network")},
        {4096, QStringLiteral("Interactive")},
        {4097, QStringLiteral("Retry Authentication")},
        {4098, QStringLiteral("Callback set by caller")},
        {4099, QStringLiteral("Password expired")},
        {8192, QStringLiteral("Connected")},
        {8193, QStringLiteral("Disconnected")},
    };
    return texts.value(state);
}

QStringList DialUp::parseEntries(const QByteArray& terse)
{
    QStringList names;
    for (const QByteArray& raw : terse.split('\n')) {
        const QString line = QString::fromUtf8(raw).remove(u'\r');
        if (line.isEmpty())
            continue;
        // Terse output escapes ':' and '\' inside values with a backslash.
        QStringList fields(QString{});
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (c == u'\\' && i + 1 < line.size()) {
                fields.last() += line[++i];
            } else if (c == u':') {
                fields.append(QString());
            } else {
                fields.last() += c;
            }
        }
        if (fields.size() != 2 || fields[0].isEmpty())
            continue;
        if (isDialUpType(fields[1].trimmed().toLower()))
            names.append(fields[0]);
    }
    return names;
}

void DialUp::log(const QString& text)
{
    if (m_log)
        m_log->write(QStringLiteral("net"), QStringLiteral("dial-up: ") + text);
}

void DialUp::progress(int state, int error, const QString& errorText)
{
    m_last = {0, state, error};
    m_status = error != 0 ? errorText.left(kErrorTextLength) : stateText(state);
    emit statusChanged(m_status);
}

void DialUp::run(const QStringList& arguments, int timeoutMs,
                 std::function<void(const Result&)> finished)
{
    auto* process = new QProcess(this);
    auto done = std::make_shared<bool>(false);
    auto result = std::make_shared<Result>();
    ++m_pending;
    auto finish = [this, process, done, result, finished] {
        if (*done)
            return;
        *done = true;
        --m_pending;
        process->disconnect();
        process->deleteLater();
        finished(*result);
    };
    connectGuarded(process, &QProcess::errorOccurred, this,
                   Origin::unattended(QStringLiteral("dialup")),
                   [process, result, finish](QProcess::ProcessError error) {
                       if (error != QProcess::FailedToStart)
                           return;
                       result->errorText =
                           QStringLiteral("%1: %2").arg(process->program(), process->errorString());
                       finish();
                   });
    connectGuarded(process, &QProcess::finished, this, Origin::unattended(QStringLiteral("dialup")),
                   [process, result, finish](int code, QProcess::ExitStatus status) {
                       result->started = true;
                       result->exitCode = status == QProcess::NormalExit ? code : -1;
                       result->out = process->readAllStandardOutput().left(1024 * 1024);
                       const QString complaint =
                           QString::fromUtf8(process->readAllStandardError().left(4096)).trimmed();
                       result->errorText = complaint.section(u'\n', 0, 0).trimmed();
                       if (result->errorText.isEmpty() && result->exitCode != 0)
                           result->errorText = QStringLiteral("%1 failed (exit code %2)")
                                                   .arg(process->program())
                                                   .arg(result->exitCode);
                       finish();
                   });
    singleShotGuarded(timeoutMs, process, Origin::unattended(QStringLiteral("dialup")),
                      [process, result, finish] {
                          result->started = true;
                          result->timedOut = true;
                          result->errorText =
                              QStringLiteral("%1 did not answer in time").arg(process->program());
                          process->disconnect();
                          process->kill();
                          finish();
                      });
    process->start(m_program, arguments, QIODevice::ReadOnly);
}

bool DialUp::available() const
{
    return !QStandardPaths::findExecutable(m_program).isEmpty() ||
           QFileInfo(m_program).isExecutable();
}

void DialUp::SelectConnections(Side side)
{
    m_entries[side].clear();
    emit entriesChanged(side);
    run({QStringLiteral("-t"), QStringLiteral("-f"), QStringLiteral("NAME,TYPE"),
         QStringLiteral("connection"), QStringLiteral("show")},
        listTimeoutMs, [this, side](const Result& result) {
            if (!result.started || result.timedOut || result.exitCode != 0) {
                // The list stays empty and nothing is shown.
                log(QStringLiteral("listing failed: ") + result.errorText);
                return;
            }
            m_entries[side] = parseEntries(result.out);
            log(QStringLiteral("listed %1 entries").arg(m_entries[side].size()));
            emit entriesChanged(side);
        });
}

void DialUp::ConnectURL(const QString& name, std::function<void()> done)
{
    auto finished = [done] {
        if (done)
            done();
    };
    if (name.isEmpty()) {
        m_notifier.message(kNoName);
        finished();
        return;
    }
    auto dial = [this, name, finished] {
        log(QStringLiteral("dialling \"%1\"").arg(name));
        const QString previous = m_status;
        progress(kStateOpenPort, 0);
        run({QStringLiteral("connection"), QStringLiteral("up"), name}, dialTimeoutMs,
            [this, name, previous, finished](const Result& result) {
                if (!result.started) {
                    // The dial itself could not be made.
                    log(QStringLiteral("dial \"%1\" failed: %2").arg(name, result.errorText));
                    m_notifier.message(result.errorText.left(kErrorTextLength), kErrorTitle);
                } else if (result.exitCode == kNmcliUnknownConnection && !result.timedOut) {
                    // No such entry: nothing happens.
                    log(QStringLiteral("no entry \"%1\": %2").arg(name, result.errorText));
                    m_status = previous;
                    emit statusChanged(m_status);
                } else if (result.exitCode != 0 || result.timedOut) {
                    m_handle = name;
                    log(QStringLiteral("dial \"%1\" failed: %2").arg(name, result.errorText));
                    progress(0, result.timedOut ? -1 : result.exitCode, result.errorText);
                } else {
                    m_handle = name;
                    log(QStringLiteral("connected \"%1\"").arg(name));
                    progress(kStateConnected, 0);
                }
                finished();
            });
    };
    // Whatever was dialled before is hung up first.
    if (m_handle.isEmpty()) {
        dial();
        return;
    }
    run({QStringLiteral("connection"), QStringLiteral("down"), m_handle}, hangUpTimeoutMs,
        [dial](const Result&) { dial(); });
}

void DialUp::DisconnectURL(bool silent, std::function<void()> done)
{
    if (m_handle.isEmpty()) {
        log(QStringLiteral("hang-up: nothing dialled"));
        if (done)
            done();
        return;
    }
    const QString name = m_handle;
    run({QStringLiteral("connection"), QStringLiteral("down"), name}, hangUpTimeoutMs,
        [this, name, silent, done](const Result& result) {
            if (result.started && !result.timedOut && result.exitCode == 0) {
                log(QStringLiteral("hung up \"%1\"").arg(name));
                if (!silent)
                    m_notifier.message(kHungUp);
            } else {
                log(QStringLiteral("hang-up of \"%1\" failed: %2").arg(name, result.errorText));
            }
            if (done)
                done();
        });
}

}  // namespace velumo
