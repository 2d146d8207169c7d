#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "notifier.h"

namespace velumo {

class EventLog;

// The answer of one control command, which may come after the command's handler has returned
// (when a download has ended, when a tone has sounded). The handler, or whatever goes on with
// its work, calls done() or fail() once; later calls are ignored.
//
// The messages the command's own operation shows belong to it: every part of its work runs
// through run(), where what is shown is collected for this command alone (not what a timer
// shows while it waits). A command during whose work a message was shown did not do what was
// asked: done() then answers with those texts as a failure.
class CommandReply {
public:
    // code 0 done, 2 failed.
    using Answer = std::function<void(int code, const QString& text)>;

    // Who asked: a caller of the control channel is answered; a button or the panel waits for
    // no answer, and a failure of its operation shows the general error report, as a failing
    // button does (what the operation shows then is not collected either).
    enum class Caller { Channel, Button };

    CommandReply(Notifier& notifier, EventLog* log, Answer answer, Caller caller = Caller::Channel);
    CommandReply(const CommandReply&) = delete;
    CommandReply& operator=(const CommandReply&) = delete;

    // The operation has done what was asked; text is the reply (the messages it showed win).
    void done(const QString& text = {});
    // The operation failed; text says why (and goes to velumo.log).
    void fail(const QString& text);
    bool finished() const { return m_finished; }

    // Runs one part of the command's work with the messages it shows charged to this command.
    // A failure thrown there fails the command with its text and abandons that part (nothing
    // leaves here); returns whether the part ran to its end.
    bool run(const std::function<void()>& part);

    // What the command's work has shown so far.
    const QStringList& shown() const { return m_account->texts; }

private:
    void answer(int code, const QString& text);

    Notifier& m_notifier;
    EventLog* m_log;
    Answer m_answer;
    std::shared_ptr<Notifier::Account> m_account = std::make_shared<Notifier::Account>();
    Caller m_caller;
    bool m_finished = false;
};

}  // namespace velumo
