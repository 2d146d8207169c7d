#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QString>

namespace velumo {

// One event of the program as its readers get it: velumo.log writes its line, the as-run
// recorder and the fleet link read the fields. A kind is velumo.log's ("player", "start",
// "ticker"...) or one that has no line there ("dispatcher", "program", "clock"). The fields of a
// typed event are named where it is posted; a line with no typed fields carries its text in
// "text" only.
struct Event {
    QString kind;
    QDateTime time;
    QJsonObject fields;
};

// velumo.log: one event a line, "YYYY-MM-DD hh:mm:ss.zzz<TAB>KIND<TAB>TEXT", UTF-8, local time.
// Kinds: message, error, start, stop, ticker, control, net... Rotated at 10 MiB to velumo.log.1.
//
// It is also the program's one stream of events: every event, written to the file or not, is
// announced by posted() with the moment its line carries.
class EventLog final : public QObject {
    Q_OBJECT
public:
    explicit EventLog(QString path, QObject* parent = nullptr);

    void write(const QString& kind, const QString& text);
    // A typed event; its line is text, and an empty text writes no line.
    void post(const QString& kind, QJsonObject fields, const QString& text = {});
    QString path() const { return m_path; }

    static constexpr qint64 kRotateBytes = 10 * 1024 * 1024;

signals:
    void posted(const velumo::Event& event);

private:
    void writeLine(const QDateTime& at, const QString& kind, const QString& text);

    QString m_path;
};

}  // namespace velumo
