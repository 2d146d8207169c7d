#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>

namespace velumo {

// A schedule line of a plan file: a fixed-position record of 41 characters, optionally
// followed by "|" and a comment. Positions are 1-based as in the file description:
// 1-17 start "DD.MM.YY hh:mm:ss", 19 content letter, 20 slot digit, 22 stop mode,
// 25-41 stop "DD.MM.YY hh:mm:ss".
namespace scheduleline {

inline constexpr int kLineLength = 41;
inline constexpr int kStartPos = 1;
inline constexpr int kLetterPos = 19;
inline constexpr int kSlotPos = 20;
inline constexpr int kStopModePos = 22;
inline constexpr int kStopPos = 25;
inline constexpr int kDateTimeLength = 17;
// At a start the stop is read from 18 characters (the bar before a comment is ignored).
inline constexpr int kStopReadLength = 18;

// A local date and time without a time zone, compared as the file writes it.
struct LocalStamp {
    QDate date;
    QTime time;

    QDateTime toDateTime() const { return QDateTime(date, time); }
    friend bool operator<(const LocalStamp& a, const LocalStamp& b)
    {
        return a.date != b.date ? a.date < b.date : a.time < b.time;
    }
};

// The date-and-time conversion: "DD.MM.YY hh:mm:ss" (day, month and year separated by ".",
// one blank, hours, minutes and seconds separated by ":"); a two-digit year falls in the
// window around currentYear; anything after the seconds is ignored. Throws Failure
// "'TEXT' is not a valid date and time" when the text does not convert.
LocalStamp parseStamp(QStringView text, int currentYear);
// The same without throwing.
std::optional<LocalStamp> tryParseStamp(QStringView text, int currentYear);

// The characters at a 1-based position (empty when the line is shorter).
QString field(const QString& line, int position, int length = 1);

inline QString contentLetter(const QString& line)
{
    return field(line, kLetterPos);
}
inline QString slotDigit(const QString& line)
{
    return field(line, kSlotPos);
}
inline QString stopMode(const QString& line)
{
    return field(line, kStopModePos);
}
inline QString contentCode(const QString& line)
{
    return field(line, kLetterPos, 2);
}
// Content letter followed by the stop-mode character ("s0", "kz").
inline QString stopCode(const QString& line)
{
    return contentLetter(line) + stopMode(line);
}

// Whether a line of the plan shows content of one of the letters.
bool planShows(const QStringList& plan, QStringView letters);

LocalStamp startOf(const QString& line, int currentYear);
// The stop as a start handler reads it (18 characters from position 25).
LocalStamp stopAtStart(const QString& line, int currentYear);
// The stop as the resume and the plan check read it (17 characters from position 25).
LocalStamp stopExact(const QString& line, int currentYear);

// Empty after trimming blanks and control characters: passed over by every search.
bool isBlank(const QString& line);

// The selection rule: the first non-blank line, from the top, whose start is not earlier than
// now. Returns the line's index, or nothing when the schedule is exhausted.
// A start that does not convert can never run: with unreadable given, such lines are passed
// over and their indexes collected there; without it the search ends with the conversion
// error (Failure).
std::optional<qsizetype> selectNext(const QStringList& lines, const QDateTime& now,
                                    QList<qsizetype>* unreadable = nullptr);

// The letters that start something: those of the content kinds (ContentKind).
bool isContentLetter(const QString& letter);

}  // namespace scheduleline
}  // namespace velumo
