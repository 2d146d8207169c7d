#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QSocketNotifier;

namespace velumo {

// SIGTERM (systemd's stop and restart, the session's end), SIGINT and SIGHUP as an event of the
// user-interface thread. The handler only writes the signal's number into a pipe, all it may do
// there; a notifier on the other end emits received(), whose receiver takes the way out of the
// exit command. A second signal while the first is handled (the stop under way, or an event loop
// that does not answer) ends the program at once, by the signal's own default action.
class StopSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers for the rest of the process; a signal that comes before a StopSignals
    // reads the pipe waits there. False when the pipe or a handler could not be set up (the
    // signals then end the program as before).
    static bool install();
    // "SIGTERM", "SIGINT", "SIGHUP".
    static QString name(int signal);

    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void received(int signal);

private:
    void readPipe();

    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace velumo
