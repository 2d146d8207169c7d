#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

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
        Overlap,          // starts less than 0.2 s after the stop of the previous entry of its kind
        StopBeforeStart,  // stops at once
        UnknownLetter,    // runs but starts nothing
        EmptySlot,        // its slot names no file or address
        UnreadableDate,   // a start or stop that does not convert: the line is passed over
        MissingFile,      // its slot names a file that does not exist or cannot be read
        MissingProgram,   // what shows it is not installed (LibreOffice, Ruffle)
        NoDevice,         // no video capture device
    };

    // What the station has for the content of the lines. Unset: not checked.
    struct Environment {
        // Relative slot files are found here.
        QString programFolder;
        std::optional<bool> libreOffice;
        std::optional<bool> ruffle;
        std::optional<bool> captureDevice;
        // Slot files are checked for existence and readability.
        bool checkFiles = false;
    };

    struct Result {
        qsizetype line = 0;  // 0-based
        Verdict verdict = Verdict::Blank;
        QDateTime start;  // when it runs (WillRun and the warnings of running lines)
        QString detail;
    };

    // slotSettings: the settings holding the slot fields (nullptr: slotSettings are not checked).
    static QList<Result> check(const QStringList& lines, const QDateTime& now,
                               const Settings* slotSettings, const Environment& environment);
    static QList<Result> check(const QStringList& lines, const QDateTime& now,
                               const Settings* slotSettings)
    {
        return check(lines, now, slotSettings, Environment{});
    }
    // What this machine has: LibreOffice on PATH, ruffle.js in one of ruffleFolders, a video
    // device in /dev (deviceFolder), slot files checked.
    static Environment probe(const QString& programFolder, const QStringList& ruffleFolders,
                             const QString& deviceFolder = QStringLiteral("/dev"));
    // True when every line that lies ahead will run as written.
    static bool allFutureRun(const QList<Result>& results);
    // One text line per schedule line ("3: ..."), in Russian.
    static QStringList report(const QStringList& lines, const QList<Result>& results);
    static QString verdictText(Verdict verdict);

    static constexpr qint64 kSwitchingMs = 200;
};

}  // namespace velumo
