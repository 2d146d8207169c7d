#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "origin.h"

namespace velumo {

class EventLog;
class FailureFeed;

// Messages to the operator. Every text shown also goes to velumo.log. Plain messages and
// error reports never wait for a click (an unattended machine must go on); confirmations do.
//
// Nobody is there to read a box that something running on its own (a timer, the dispatcher, a
// player, a transfer, a feed) would show: with a failure feed set, its messages and error
// reports open no box and go to the feed instead (the status line and the tray show it), the
// error in plain Russian, with the technical text after a dash in velumo.log.
class Notifier {
public:
    explicit Notifier(EventLog* log = nullptr);
    virtual ~Notifier();

    void setLog(EventLog* log) { m_log = log; }
    // Where what runs on its own reports (nullptr: everything is shown as a box).
    void setFailureFeed(FailureFeed* feed) { m_feed = feed; }

    // A plain message box with a fixed text; the program goes on.
    void message(const QString& text, const QString& title = {});
    // The application's general error report: the error text of a failed handler, from the
    // entry point now running (Origin::current()).
    void errorReport(const QString& text);
    // The same with where the failure came from; every general error report goes through here.
    // (A subclass that overrides it brings the one-argument form back with a using-declaration.)
    virtual void errorReport(const QString& text, const Origin& origin);
    // A failure of something running on its own that velumo.log already holds in its own words
    // (a player's "failed" event): the feed learns of it, in plain Russian; no box, no second
    // log line. Without a feed nothing more is done.
    void unattendedFailure(const QString& source, const QString& technical);
    // OK/Cancel question; true for OK.
    bool confirm(const QString& title, const QString& text);
    // Yes/No question; true for Yes.
    bool askYesNo(const QString& title, const QString& text);

    // The texts shown on behalf of one control command, over every part of its work: the part
    // run when the command came and the continuations that run later (after a download, a tone).
    struct Account {
        QStringList texts;
    };

    // While one lives, the texts of the messages and error reports shown are also collected,
    // so that a control command can answer its caller with what its operation said. Captures
    // inside each other all collect (up to a Charge, which keeps its texts to itself).
    class Capture {
    public:
        explicit Capture(Notifier& notifier);
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;
        const QStringList& texts() const { return m_account->texts; }

    private:
        friend class Notifier;
        friend class Charge;
        Capture(Notifier& notifier, std::shared_ptr<Account> account, bool alone);
        Notifier& m_notifier;
        Capture* m_outer;
        std::shared_ptr<Account> m_account;
        bool m_alone = false;
    };

    // While one lives, the texts shown go to the account given, and to no capture around it: a
    // part of one command's work that runs inside another's (the next waiting handler, started
    // by the end of the one before) is still charged to its own command. A null account
    // collects nothing, and hides the captures around it all the same.
    class Charge {
    public:
        Charge(Notifier& notifier, std::shared_ptr<Account> account);
        Charge(const Charge&) = delete;
        Charge& operator=(const Charge&) = delete;

    private:
        Capture m_scope;
    };

    // The account of the innermost Capture or Charge now living, or null. Work that goes on
    // later takes it along and charges it again, so that what the work shows then is its
    // caller's.
    std::shared_ptr<Account> currentAccount() const;

protected:
    virtual void showMessage(const QString& title, const QString& text, bool error) = 0;
    virtual bool showQuestion(const QString& title, const QString& text, bool yesNo) = 0;

private:
    void collect(const QString& text);

    EventLog* m_log;
    FailureFeed* m_feed = nullptr;
    Capture* m_capture = nullptr;
};

// Answers every question with a fixed answer and shows nothing; for runs without a screen.
class SilentNotifier : public Notifier {
public:
    using Notifier::Notifier;
    bool answer = true;

protected:
    void showMessage(const QString&, const QString&, bool) override {}
    bool showQuestion(const QString&, const QString&, bool) override { return answer; }
};

}  // namespace velumo
