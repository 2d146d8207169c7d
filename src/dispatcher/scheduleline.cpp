#include "scheduleline.h"

#include "base/datetext.h"
#include "base/failure.h"
#include "players/contentkind.h"

namespace velumo::scheduleline {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads 1 to maxDigits decimal digits at pos; -1 when there is none.
int readNumber(QStringView text, qsizetype& pos, int maxDigits)
{
    int value = 0;
    int digits = 0;
    while (pos < text.size() && digits < maxDigits && isDigit(text[pos])) {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++digits;
    }
    return digits == 0 ? -1 : value;
}

bool expect(QStringView text, qsizetype& pos, QChar c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

}  // namespace

std::optional<LocalStamp> tryParseStamp(QStringView text, int currentYear)
{
    qsizetype pos = 0;
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
    const int day = readNumber(text, pos, 2);
    if (day < 0 || !expect(text, pos, u'.'))
        return std::nullopt;
    const int month = readNumber(text, pos, 2);
    if (month < 0)
        return std::nullopt;
    int year = currentYear;
    if (expect(text, pos, u'.')) {
        const qsizetype yearStart = pos;
        const int written = readNumber(text, pos, 4);
        if (written < 0)
            return std::nullopt;
        year = pos - yearStart <= 2 ? windowYear(written, currentYear) : written;
    }
    if (!expect(text, pos, u' '))
        return std::nullopt;
    while (pos < text.size() && text[pos] == u' ')
        ++pos;
    const int hours = readNumber(text, pos, 2);
    if (hours < 0 || !expect(text, pos, u':'))
        return std::nullopt;
    const int minutes = readNumber(text, pos, 2);
    if (minutes < 0)
        return std::nullopt;
    int seconds = 0;
    if (expect(text, pos, u':')) {
        seconds = readNumber(text, pos, 2);
        if (seconds < 0)
            return std::nullopt;
    } else if (pos < text.size()) {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    if (!date.isValid() || hours > 23 || minutes > 59 || seconds > 59)
        return std::nullopt;
    return LocalStamp{date, QTime(hours, minutes, seconds)};
}

LocalStamp parseStamp(QStringView text, int currentYear)
{
    if (auto stamp = tryParseStamp(text, currentYear))
        return *stamp;
    throw Failure(QStringLiteral("'%1' is not a valid date and time").arg(text.toString()));
}

QString field(const QString& line, int position, int length)
{
    return line.mid(position - 1, length);
}

bool planShows(const QStringList& plan, QStringView letters)
{
    for (const QString& line : plan) {
        const QString letter = contentLetter(line);
        if (!letter.isEmpty() && letters.contains(letter[0]))
            return true;
    }
    return false;
}

LocalStamp startOf(const QString& line, int currentYear)
{
    return parseStamp(QStringView(line).left(kDateTimeLength), currentYear);
}

LocalStamp stopAtStart(const QString& line, int currentYear)
{
    return parseStamp(field(line, kStopPos, kStopReadLength), currentYear);
}

LocalStamp stopExact(const QString& line, int currentYear)
{
    return parseStamp(field(line, kStopPos, kDateTimeLength), currentYear);
}

bool isBlank(const QString& line)
{
    for (QChar c : line)
        if (c.unicode() > 0x20)
            return false;
    return true;
}

std::optional<qsizetype> selectNext(const QStringList& lines, const QDateTime& now,
                                    QList<qsizetype>* unreadable)
{
    const LocalStamp current{now.date(), now.time()};
    const int year = current.date.year();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (isBlank(line))
            continue;
        if (unreadable) {
            const std::optional<LocalStamp> start =
                tryParseStamp(QStringView(line).left(kDateTimeLength), year);
            if (!start) {
                unreadable->append(i);
                continue;
            }
            if (!(*start < current))
                return i;
            continue;
        }
        if (!(startOf(line, year) < current))
            return i;
    }
    return std::nullopt;
}

bool isContentLetter(const QString& letter)
{
    return ContentKind::find(letter) != nullptr;
}

}  // namespace velumo::scheduleline
