#include "stopsignals.h"

#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>

#include "base/guard.h"

namespace velumo {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

int g_pipe[2] = {-1, -1};
std::atomic<int> g_received{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free counter");

extern "C" void onStopSignal(int number)
{
    const int savedErrno = errno;
    if (g_received.fetch_add(1) > 0) {
        // The second: the default action, delivered when this handler returns (the signal is
        // blocked while it runs).
        std::signal(number, SIG_DFL);
        ::raise(number);
    } else {
        const char byte = char(number);
        // A full pipe cannot happen: only the first signal writes.
        [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

bool StopSignals::install()
{
    if (g_pipe[0] >= 0)
        return true;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    // A system call in its way goes on; the other stop signals wait while the handler runs.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int number : kSignals)
        sigaddset(&action.sa_mask, number);
    bool ok = true;
    for (int number : kSignals)
        ok = ::sigaction(number, &action, nullptr) == 0 && ok;
    return ok;
}

QString StopSignals::name(int signal)
{
    switch (signal) {
        case SIGTERM:
            return QStringLiteral("SIGTERM");
        case SIGINT:
            return QStringLiteral("SIGINT");
        case SIGHUP:
            return QStringLiteral("SIGHUP");
        default:
            return QStringLiteral("signal %1").arg(signal);
    }
}

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    if (g_pipe[0] < 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connectGuarded(m_notifier.get(), &QSocketNotifier::activated, this,
                   Origin::unattended(QStringLiteral("service")), &StopSignals::readPipe);
}

StopSignals::~StopSignals() = default;

void StopSignals::readPipe()
{
    char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        emit received(int(byte));
}

}  // namespace velumo
