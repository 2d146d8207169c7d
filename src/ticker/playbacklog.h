#pragma once

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <memory>

namespace velumo {

class Clock;
class Notifier;
class Settings;
class Timer;
class TimerFactory;

// The playback log: a record of every announcement put on the strip (MemoLog), written by the
// timer Timer7 every SpinEdit43 minutes into "YYYYMMDDHHMM.csv" in the folder SCEdit103.
class PlaybackLog : public QObject {
    Q_OBJECT
public:
    // Records kept in memory while they are not written to files.
    static constexpr qsizetype kMaxUnwrittenRecords = 100000;

    // Timer7's ticks run through the guard: a failed write shows the error report.
    PlaybackLog(Settings& settings, const Clock& clock, TimerFactory& timers, Notifier& notifier,
                QObject* parent = nullptr);
    ~PlaybackLog() override;

    // "N повтор ;YYYYMMDD_hh_mm_ss;index;tariff;text"
    static QString formatRecord(int blockRunCount, const QDateTime& when, const QString& index,
                                const QString& tariff, const QString& text);

    void AppendLogRecord(int blockRunCount, const QString& index, const QString& tariff,
                         const QString& text);
    const QStringList& records() const { return m_records; }

    // One tick of Timer7: writes the records into this minute's file when it does not exist
    // yet and empties the list. Throws Failure when the file cannot be written (the records
    // stay for the next tick).
    void Timer7Timer();
    // At exit: what is still pending goes to this minute's file (appended when it exists).
    void writePending();

    // Timer7's period from SpinEdit43 and its run state from SCCheckbox22.
    void applyTimer();
    Timer& timer7() { return *m_timer7; }

    // Path of this minute's log file, or empty when no folder is set.
    QString currentFilePath() const;
    // Writing is on (SCCheckbox22) and has a folder (SCEdit103).
    bool writingOn() const;

signals:
    void recordAppended(const QString& record);
    // The list was written and emptied.
    void recordsReset();

private:
    void writeFile(const QString& path, bool append);

    Settings& m_settings;
    const Clock& m_clock;
    std::unique_ptr<Timer> m_timer7;
    QStringList m_records;
};

}  // namespace velumo
