#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "alerts/capreader.h"

namespace velumo {
class EventLog;
class Timer;
class TimerFactory;
class Worker;
}  // namespace velumo

namespace velumo::alerts {

class AlertIntake;

// A file of the drop folder as the last look saw it.
struct Sighting {
    qint64 size = -1;
    qint64 modifiedMs = 0;
    int looks = 0;         // looks in a row that saw it unchanged
    bool waiting = false;  // read once as broken XML: perhaps still arriving
    bool read = false;     // read, but it could not be filed away
};

struct DropLook {
    QHash<QString, Sighting> seen;
    std::vector<std::pair<QString, CapReading>> taken;  // file name, reading
    QStringList problems;                               // what could not be done, for the log
};

// One look into the drop folder (blocking, for a worker). A file is read once two looks in a row
// saw it with the same size and time (a transfer still writing it changes them); hidden files
// and the names upload tools give a file in transfer (".part", ".tmp", ".filepart", "~") are
// left alone. A file that reads as broken XML may still be arriving by a stalled transfer: it
// is read again when it changes, and refused only when it stayed as it is for kSettleLooks. A
// file read is filed away at once, so the folder holds only what has not been read: a valid
// document into "done/", a refused one into "refused/", named after the moment it was read
// ("20261209-234001.123-NAME"); each keeps its newest kKeepFiles files.
DropLook lookIntoDropFolder(const QString& folder, const QHash<QString, Sighting>& before,
                            const CapTrust& trust);

// Looks into the drop folder every kLookMs on the worker and hands each document read to the
// intake (source "folder NAME"). The folder is made when it does not exist.
class DropFolder final : public QObject {
    Q_OBJECT
public:
    static constexpr int kLookMs = 500;
    static constexpr int kSettleLooks = 60;
    static constexpr int kKeepFiles = 100;
    static constexpr int kMaxFilesPerLook = 200;

    // The references must outlive the drop folder.
    DropFolder(QString folder, AlertIntake& intake, Worker& worker, TimerFactory& timers,
               EventLog* log = nullptr, QObject* parent = nullptr);
    ~DropFolder() override;

    void start();
    const QString& folder() const { return m_folder; }

signals:
    // After each look that read a file.
    void taken(const QString& name);

private:
    void look();

    QString m_folder;
    AlertIntake& m_intake;
    Worker& m_worker;
    EventLog* m_log;
    std::unique_ptr<Timer> m_timer;
    QHash<QString, Sighting> m_seen;
    QStringList m_problems;
    bool m_busy = false;
};

}  // namespace velumo::alerts
