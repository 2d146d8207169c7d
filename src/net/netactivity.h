#pragma once

#include <QJsonObject>
#include <QString>

namespace velumo {

// What one network run (an FTP receive or transmit run, a feed read) is doing, as its page and
// the main window's footer show it. Kept on the user-interface thread; the worker's reports
// change it there.
struct NetActivity {
    enum class Kind { Receive, Transmit, Feed };
    enum class Phase { Idle, Dialling, Connecting, Listing, Transferring, Succeeded, Failed };

    explicit NetActivity(Kind kind = Kind::Receive) : kind(kind) {}

    Kind kind;
    Phase phase = Phase::Idle;
    QString target;  // host:port, the feed's address as shown, or the dial-up entry
    // The file being transferred, its place in the run and how far it has come.
    QString file;
    int fileNumber = 0;  // from 1
    int fileCount = 0;
    qint64 bytes = 0;
    qint64 total = -1;  // -1 when the size is not known
    // Counts of the run so far.
    int transferred = 0;  // files that came or went (whole or resumed)
    int unchanged = 0;    // received files already complete here
    int skipped = 0;      // listed names that cannot be local files
    qint64 bytesTransferred = 0;
    int feedLines = 0;
    // How the run ended: the failure's text (Failed), or a note added to the counts.
    QString result;

    bool active() const
    {
        return phase == Phase::Dialling || phase == Phase::Connecting || phase == Phase::Listing ||
               phase == Phase::Transferring;
    }
    // Of the current file; -1 when its size is not known.
    int percent() const;

    // A new run towards target: the counts start from nothing.
    void begin(const QString& runTarget);
    // A new run that first dials the entry; connectTo() follows once the line is up.
    void beginDialling(const QString& entry);
    void connectTo(const QString& runTarget);
    void startFile(const QString& name, int number, int count, qint64 size);
    // The current file is complete; bytes it moved count to the run.
    void finishFile(qint64 movedBytes, bool wasUnchanged);
    void succeed();
    void fail(const QString& text);

    // The page's line: what is going on now, or how the last run ended ("" before the first).
    QString pageText() const;
    // The footer's short line while the run is active ("" otherwise).
    QString footerText() const;
    QJsonObject toJson() const;

    // "512 Б", "3,4 КБ", "42,0 МБ"...
    static QString formatBytes(qint64 bytes);
};

}  // namespace velumo
