// A test-only program for the kill test: for every line "go" on its input it forks a writer that
// appends numbered records through the real journal as fast as the disk takes them until it is
// killed, prints the writer's process id, and "ended" once the writer is gone. Forking from this
// waiting, single-threaded parent saves each writer the loading of the libraries, so hundreds of
// kills fit in seconds.
#include <QDateTime>
#include <QJsonObject>

#include <sodium.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "asrun/chain.h"
#include "asrun/journal.h"
#include "base/clock.h"

namespace {

[[noreturn]] void write(const char* folder)
{
    const velumo::SystemClock clock;
    velumo::asrun::Journal journal(QString::fromLocal8Bit(folder), {}, clock, nullptr);
    for (qint64 n = 0;; ++n) {
        journal.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("content")},
                                   {QStringLiteral("kind"), QStringLiteral("k")},
                                   {QStringLiteral("source"), QStringLiteral("clip.mp4")},
                                   {QStringLiteral("seconds"), 1.5},
                                   {QStringLiteral("n"), n}});
        // A busy station, not a flood: the queue stays short.
        ::usleep(500);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    // What every process does once on its first use (the time zone's rules, libsodium's set-up),
    // done here before the forks, as a long-running writer has it done already.
    (void)velumo::asrun::chain::localText(QDateTime::currentDateTime());
    if (sodium_init() < 0)
        return 2;
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {
        if (std::strncmp(line, "go", 2) != 0)
            continue;
        const pid_t child = ::fork();
        if (child < 0)
            return 1;
        if (child == 0)
            write(argv[1]);
        std::printf("%d\n", int(child));
        std::fflush(stdout);
        int status = 0;
        ::waitpid(child, &status, 0);
        std::printf("ended %d\n", WIFSIGNALED(status) ? WTERMSIG(status) : -1);
        std::fflush(stdout);
    }
    return 0;
}
