#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace velumo {

class Settings;

// Checks a plan file against a moment: which lines will run, when, and which will not run as
// written. Follows the dispatcher's selection rule: a search walks from the first line and
// takes the first line whose start is not earlier than now, so a line that starts no later
// than a line run before it is never reached.
class PlanCheck {
public:
    enum class Verdict {
        Blank,            // empty line, passed over
        WillRun,          // runs at its start
        Passed,           // its start has passed
        NeverReached,     // out of order, or the same start as an earlier line
        Blocked,          // after a line that halts the dispatcher
        Overlap,          // starts less than 0.2 s after the stop of the previous entry of its kind
        StopBeforeStart,  // stops at once
        UnknownLetter,    // runs but starts nothing
        EmptySlot,        // its slot names no file or address
        UnreadableDate,   // a start or stop that does not convert
    };

    struct Result {
        qsizetype line = 0;  // 0-based
        Verdict verdict = Verdict::Blank;
        QDateTime start;  // when it runs (WillRun and the warnings of running lines)
        QString detail;
    };

    // slotSettings: the settings holding the slot fields (nullptr: slotSettings are not checked).
    static QList<Result> check(const QStringList& lines, const QDateTime& now,
                               const Settings* slotSettings);
    // True when every line that lies ahead will run as written.
    static bool allFutureRun(const QList<Result>& results);
    // One text line per schedule line ("3: ..."), in Russian.
    static QStringList report(const QStringList& lines, const QList<Result>& results);
    static QString verdictText(Verdict verdict);

    static constexpr qint64 kSwitchingMs = 200;
};

}  // namespace velumo
