#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <memory>

#include "base/timer.h"

namespace velumo {

class EventLog;
class PresentationConverter;
class Settings;

// Fills the conversion cache ahead of the starts: when a slot's file (SCEdit49 … SCEdit58)
// changes on disk, as a file arriving by FTP does, or a slot names another file, the
// presentation is converted once it has been quiet for a moment, one file at a time. What a
// conversion ahead cannot do is only logged; the start of that file says it again.
class SlideShowPrefetch final : public QObject {
    Q_OBJECT
public:
    // A file named without a path lives in programFolder.
    SlideShowPrefetch(const Settings& settings, PresentationConverter& converter, EventLog& log,
                      TimerFactory& timers, QString programFolder = QString(), int quietMs = 2000,
                      QObject* parent = nullptr);

    // Looks at every slot now (start-up).
    void scanNow();

    // The files waiting for their conversion ahead.
    QStringList waiting() const { return m_queue; }

private:
    void watch();
    void scan();
    void next();
    QString slotFile(const char* field) const;

    const Settings& m_settings;
    PresentationConverter& m_converter;
    EventLog& m_log;
    QString m_folder;
    QFileSystemWatcher m_watcher;
    std::unique_ptr<Timer> m_quiet;  // one-shot
    QStringList m_queue;
    QString m_running;
};

}  // namespace velumo
