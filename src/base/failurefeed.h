#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace velumo {

class Clock;

// The failures nobody asked for (a timer, the dispatcher, a player, a transfer, a feed): on a
// station nobody watches they open no box on the output; they are kept here for the status line
// of the main window and the panel and for the tray's notification. Only the current day's are
// kept, and at most kMaxEntries of them.
class FailureFeed final : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QDateTime at;
        QString source;  // where it came from ("Timer1start", "webplayer"), may be empty
        QString text;
    };

    explicit FailureFeed(const Clock& clock, QObject* parent = nullptr);

    void add(const QString& source, const QString& text);
    // Today's failures, oldest first (those of an earlier day are dropped on the way).
    QList<Entry> today() const;
    // The last one of today, or nothing.
    std::optional<Entry> last() const;
    void clear();

    // The status member "failures": today's count, the boxes open on the screen, the last one.
    QJsonObject status(const QStringList& openBoxes) const;

    // "hh:mm:ss text", as the status line shows it.
    static QString lineText(const Entry& entry);

    static constexpr qsizetype kMaxEntries = 1000;

signals:
    void added(const velumo::FailureFeed::Entry& entry);
    void cleared();

private:
    void dropEarlierDays() const;

    const Clock& m_clock;
    mutable QList<Entry> m_entries;
};

}  // namespace velumo
