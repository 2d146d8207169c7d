#include "servicestart.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>

#include "base/controlchannel.h"

extern char** environ;

namespace velumo {

namespace {

constexpr int kSystemctlTimeoutMs = 5000;

// What "systemctl --user show-environment" prints; empty when it cannot be run or fails.
QByteArray managerEnvironment()
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = "systemctl";
    char user[] = "--user";
    char show[] = "show-environment";
    char* argv[] = {program, user, show, nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    QByteArray text;
    if (spawned == 0) {
        QElapsedTimer elapsed;
        elapsed.start();
        char buffer[4096];
        for (;;) {
            const qint64 left = kSystemctlTimeoutMs - elapsed.elapsed();
            pollfd p{out[0], POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, int(left)) <= 0) {
                ::kill(pid, SIGKILL);
                text.clear();
                break;
            }
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            text.append(buffer, n);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            text.clear();
    }
    ::close(out[0]);
    return text;
}

// $'...' as systemd writes a value that needs quoting.
QString unquoted(const QByteArray& value)
{
    if (!value.startsWith("$'") || !value.endsWith('\'') || value.size() < 3)
        return QString::fromUtf8(value);
    const QByteArray inner = value.mid(2, value.size() - 3);
    QByteArray out;
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner[i] != '\\' || i + 1 == inner.size()) {
            out.append(inner[i]);
            continue;
        }
        const char next = inner[++i];
        out.append(next == 'n' ? '\n' : next == 't' ? '\t' : next);
    }
    return QString::fromUtf8(out);
}

}  // namespace

const QStringList ServiceStart::kDisplayVariables = {
    QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("XAUTHORITY")};

bool ServiceStart::lacksDisplay(const QProcessEnvironment& environment)
{
    const QString platform = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb")) &&
        !platform.startsWith(QLatin1String("wayland")))
        return false;
    return environment.value(QStringLiteral("DISPLAY")).isEmpty() &&
           environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty();
}

QHash<QString, QString> ServiceStart::displayIn(const QByteArray& managerEnvironment)
{
    QHash<QString, QString> found;
    for (const QByteArray& line : managerEnvironment.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QString name = QString::fromLatin1(line.left(equals));
        if (kDisplayVariables.contains(name))
            found.insert(name, unquoted(line.mid(equals + 1)));
    }
    return found;
}

int ServiceStart::waitForWhatTheStartNeeds(const ServiceNotifier::Setup& setup,
                                           const QString& folder)
{
    std::chrono::milliseconds interval = kFirstLook;
    QString said;
    int looks = 0;
    // One look: the status line (and the journal's line when it changed), the timeout extended
    // beyond the next look, a pause.
    auto waitAMoment = [&](const QString& status) {
        ++looks;
        if (status != said) {
            said = status;
            std::fputs((status + u'\n').toLocal8Bit().constData(), stderr);
            ServiceNotifier::sendOnce(setup, "STATUS=" + status.toUtf8());
        }
        const qint64 extendUs = (interval.count() + 60'000) * 1000;
        ServiceNotifier::sendOnce(setup, "EXTEND_TIMEOUT_USEC=" + QByteArray::number(extendUs));
        QThread::msleep(ulong(interval.count()));
        interval = std::min(interval * 2, kLastLook);
    };
    while (lacksDisplay(QProcessEnvironment::systemEnvironment())) {
        const QHash<QString, QString> display = displayIn(managerEnvironment());
        if (!display.value(QStringLiteral("DISPLAY")).isEmpty() ||
            !display.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()) {
            for (auto it = display.begin(); it != display.end(); ++it)
                qputenv(it.key().toLocal8Bit().constData(), it.value().toLocal8Bit());
            break;
        }
        waitAMoment(
            QStringLiteral("Жду дисплей: сеанс ещё не передал DISPLAY службе "
                           "(systemctl --user import-environment DISPLAY XAUTHORITY)"));
    }
    interval = kFirstLook;
    while (isRunning(folder))
        waitAMoment(QStringLiteral("Жду: в папке %1 работает другая копия программы").arg(folder));
    return looks;
}

}  // namespace velumo
