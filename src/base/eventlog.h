#pragma once

#include <QString>

namespace velumo {

// velumo.log: one event a line, "YYYY-MM-DD hh:mm:ss.zzz<TAB>KIND<TAB>TEXT", UTF-8, local time.
// Kinds: message, error, start, stop, ticker, control, net... Rotated at 10 MiB to velumo.log.1.
class EventLog {
public:
    explicit EventLog(QString path);

    void write(const QString& kind, const QString& text);
    QString path() const { return m_path; }

    static constexpr qint64 kRotateBytes = 10 * 1024 * 1024;

private:
    QString m_path;
};

}  // namespace velumo
