#include "watchcommand.h"

#include <fcntl.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "base/clock.h"
#include "base/guard.h"
#include "base/timer.h"
#include "fleet/fleetconfig.h"
#include "fleet/mqttclient.h"

namespace velumo::fleet {

namespace {

Origin origin()
{
    return Origin::unattended(QStringLiteral("fleet watch"));
}

void say(const QString& text)
{
    std::fputs((QStringLiteral("velumo: ") + text + u'\n').toUtf8().constData(), stderr);
    std::fflush(stderr);
}

// The stop signals reach the event loop through a pipe: a handler may only write.
int g_stopPipe[2] = {-1, -1};

void onStopSignal(int number)
{
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(g_stopPipe[1], &byte, 1);
}

bool catchStopSignals()
{
    if (::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
    return true;
}

}  // namespace

ShellNoticeRunner::ShellNoticeRunner(QString command, QString broker, TimerFactory& timers,
                                     QObject* parent)
    : QObject(parent), m_command(std::move(command)), m_broker(std::move(broker)), m_timers(timers)
{
}

ShellNoticeRunner::~ShellNoticeRunner() = default;

void ShellNoticeRunner::run(const WatchNotice& notice)
{
    say(notice.summary());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(notice.environment());
    env.insert(QStringLiteral("VELUMO_BROKER"), m_broker);
    m_waiting.push_back(env);
    startNext();
}

void ShellNoticeRunner::startNext()
{
    while (m_running < kAtOnce && !m_waiting.empty()) {
        const QProcessEnvironment env = std::move(m_waiting.front());
        m_waiting.pop_front();
        // Named in what is said of the command: the station, or the broker's own notice.
        QString station = env.value(QStringLiteral("VELUMO_STATION"));
        if (station.isEmpty())
            station = QStringLiteral("брокера");
        auto* process = new QProcess(this);
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->setStandardInputFile(QProcess::nullDevice());
        std::shared_ptr<Timer> limit = m_timers.create(QStringLiteral("FleetWatchCommandLimit"));
        limit->setInterval(kLimitMs);
        limit->setHandler([process, limit = limit.get(), station] {
            limit->stop();
            say(QStringLiteral("команда для %1 не закончилась за %2 с и остановлена")
                    .arg(station)
                    .arg(kLimitMs / 1000));
            process->kill();
        });
        ++m_running;
        connectGuarded(
            process, &QProcess::finished, this, origin(),
            [this, process, limit, station](int code, QProcess::ExitStatus status) {
                limit->stop();
                if (status != QProcess::NormalExit || code != 0)
                    say(QStringLiteral("команда для %1 завершилась с кодом %2%3")
                            .arg(station)
                            .arg(code)
                            .arg(status == QProcess::NormalExit ? QString()
                                                                : QStringLiteral(" (аварийно)")));
                process->deleteLater();
                --m_running;
                startNext();
                if (idle())
                    emit becameIdle();
            });
        connectGuarded(process, &QProcess::errorOccurred, this, origin(),
                       [process, station](QProcess::ProcessError error) {
                           if (error == QProcess::FailedToStart) {
                               say(QStringLiteral("команду для %1 не удалось запустить: %2")
                                       .arg(station, process->errorString()));
                               // No finished() follows a failed start.
                               emit process->finished(-1, QProcess::CrashExit);
                           }
                       });
        limit->start();
        process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), m_command});
    }
}

int runFleetWatch(const FleetConfig& config, const QString& command)
{
    if (command.trimmed().isEmpty()) {
        say(QStringLiteral("--watch: нужна команда (--exec КОМАНДА)"));
        return 2;
    }
    if (!catchStopSignals()) {
        say(QStringLiteral("--watch: не удалось перехватить сигналы остановки"));
        return 2;
    }
    SystemClock clock;
    QtTimerFactory timers;
    ShellNoticeRunner runner(command, config.broker, timers);
    FleetWatch watch(clock, timers, runner);

    const QByteArray token = QByteArray::number(QRandomGenerator::system()->generate64(), 36);
    MqttClient::Options o = brokerOptions(
        config,
        QStringLiteral("velumo-watch-%1-%2").arg(::getpid()).arg(QString::fromLatin1(token)), 30);
    o.subscriptions = {"velumo/+/online", "velumo/+/status", "velumo/+/events"};
    MqttClient client(o);
    QString lastComplaint;
    connectGuarded(
        &client, &MqttClient::connected, &watch, origin(),
        [&] {
            watch.setConnected(true);
            lastComplaint.clear();
            say(QStringLiteral("наблюдение за станциями брокера %1").arg(config.broker));
        },
        Qt::QueuedConnection);
    connectGuarded(
        &client, &MqttClient::disconnected, &watch, origin(),
        [&](int, const QString& reason, bool unusable) {
            watch.setConnected(false);
            // Settings that cannot be used (a TLS file that cannot be read): nothing goes out
            // in clear, and trying again would not help.
            if (unusable) {
                say(QStringLiteral("связь с брокером %1 не установлена: без шифрования ничего не "
                                   "отправлено (%2)")
                        .arg(config.broker, reason));
                QCoreApplication::exit(2);
                return;
            }
            if (reason != lastComplaint)
                say(QStringLiteral("нет связи с брокером %1: %2").arg(config.broker, reason));
            lastComplaint = reason;
        },
        Qt::QueuedConnection);
    connectGuarded(&client, &MqttClient::messageReceived, &watch, origin(), &FleetWatch::take,
                   Qt::QueuedConnection);

    // A stop: what is being gathered is sent now, and the commands get a few seconds to end.
    QSocketNotifier stops(g_stopPipe[0], QSocketNotifier::Read);
    std::unique_ptr<Timer> stopLimit = timers.create(QStringLiteral("FleetWatchStop"));
    stopLimit->setInterval(10000);
    stopLimit->setHandler([] { QCoreApplication::exit(0); });
    bool stopping = false;
    connectGuarded(&stops, &QSocketNotifier::activated, &watch, origin(), [&] {
        char byte = 0;
        while (::read(g_stopPipe[0], &byte, 1) > 0) {
        }
        if (stopping) {
            QCoreApplication::exit(0);
            return;
        }
        stopping = true;
        watch.flush();
        if (runner.idle())
            QCoreApplication::exit(0);
        else
            stopLimit->start();
    });
    connectGuarded(&runner, &ShellNoticeRunner::becameIdle, &watch, origin(), [&] {
        if (stopping)
            QCoreApplication::exit(0);
    });
    client.start();
    const int code = QCoreApplication::exec();
    client.stop(500);
    return code;
}

}  // namespace velumo::fleet
