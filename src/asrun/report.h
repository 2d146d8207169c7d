#pragma once

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace velumo::asrun {

// The billing report of a period: for every announcement index and every content file, how
// often and how many seconds it was on screen. Records count on the day of their moment on
// screen ("entered" of an announcement, "first_picture" of content, else the record's "local").
class Report {
public:
    struct Filter {
        QDate from;
        QDate to;
        QString kind;  // "announcement", or a content kind ("k", "b", "p", "f", "w", "t"); "" all
        QString file;  // a content source, whole or its file name; "" all
    };
    // An announcement's index and tariff as its block gives them: the recorder writes them as
    // text, a number is read as its decimal text.
    struct Announcement {
        QString index;
        QString tariff;
        QString text;
        int shown = 0;
        double seconds = 0;
    };
    struct Content {
        QString kind;
        QString source;
        int shown = 0;
        double seconds = 0;
    };

    explicit Report(Filter filter);

    // Reads the journal files (any order); lines that are not records are counted, not fatal.
    // False when a file cannot be read (error names it).
    bool read(const QStringList& files, QString* error);
    void add(const QJsonObject& record);

    const QList<Announcement>& announcements() const { return m_announcements; }
    const QList<Content>& content() const { return m_content; }
    int unreadableLines() const { return m_unreadableLines; }

    QString text() const;
    // Windows-1251, ";"-separated, CR LF, decimal commas: what a Russian spreadsheet opens. A
    // text that a spreadsheet would take for a formula starts with "'".
    QByteArray csv() const;

private:
    bool inPeriod(const QJsonObject& record, const QString& momentMember) const;

    Filter m_filter;
    QList<Announcement> m_announcements;  // in index order (numbers by value, then texts)
    QList<Content> m_content;             // in kind, then source order
    int m_unreadableLines = 0;
};

}  // namespace velumo::asrun
