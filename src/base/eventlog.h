#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include "base/event.h"

namespace velumo {

// velumo.log: one event a line, "YYYY-MM-DD hh:mm:ss.zzz<TAB>KIND<TAB>TEXT", UTF-8, local time.
// Kinds: message, error, start, stop, ticker, control, net... Rotated at 10 MiB to velumo.log.1.
//
// It is also the program's one stream of events: every event, written to the file or not, is
// announced once by posted() with the moment its line carries, as the typed value its poster
// made (base/event.h).
class EventLog final : public QObject {
    Q_OBJECT
public:
    explicit EventLog(QString path, QObject* parent = nullptr);

    // A line and nothing more (a LineEvent).
    void write(const QString& kind, const QString& text);
    // A typed event of its own kind; its line is text, and an empty text writes no line.
    template <typename T>
    void post(T event, const QString& text = {})
    {
        post(QString::fromLatin1(T::kKind), EventBody(std::move(event)), text);
    }
    void post(const QString& kind, EventBody body, const QString& text);
    QString path() const { return m_path; }

    static constexpr qint64 kRotateBytes = 10 * 1024 * 1024;

signals:
    void posted(const velumo::Event& event);

private:
    void writeLine(const QDateTime& at, const QString& kind, const QString& text);

    QString m_path;
};

}  // namespace velumo
