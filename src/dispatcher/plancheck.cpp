#include "plancheck.h"

#include <QHash>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/scheduleline.h"
#include "dispatcher/slottable.h"

namespace velumo {

namespace {

// The text a slot selects, or a null string when the slot digit is no digit.
QString slotText(const Settings& settings, const QString& letter, const QString& slot)
{
    if (letter.size() != 1 || !SlotTable::field(letter[0], slot))
        return QString();
    // The start-up puts its ticker file into slot 0 of the string column; the plan is checked
    // against that.
    if (letter == u"s" && slot == u"0")
        return settings.text(key::SCEdit5);
    return SlotTable::text(settings, letter[0], slot);
}

}  // namespace

QList<PlanCheck::Result> PlanCheck::check(const QStringList& lines, const QDateTime& now,
                                          const Settings* slotSettings)
{
    using namespace scheduleline;
    QList<Result> results;
    const int year = now.date().year();
    const LocalStamp current{now.date(), now.time()};
    std::optional<LocalStamp> lastRun;  // the start of the last line that will run
    QHash<QString, QDateTime> stops;    // the stop of the last running entry of each letter
    QString blockedBy;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        Result result;
        result.line = i;
        if (isBlank(line)) {
            result.verdict = Verdict::Blank;
            results.append(result);
            continue;
        }
        if (!blockedBy.isEmpty()) {
            result.verdict = Verdict::Blocked;
            result.detail = blockedBy;
            results.append(result);
            continue;
        }
        const std::optional<LocalStamp> start =
            tryParseStamp(field(line, kStartPos, kDateTimeLength), year);
        if (!start) {
            // Every search that reaches this line fails: nothing after it runs.
            result.verdict = Verdict::UnreadableDate;
            result.detail =
                QStringLiteral("старт \"%1\"").arg(field(line, kStartPos, kDateTimeLength));
            blockedBy = QStringLiteral("строка %1").arg(i + 1);
            results.append(result);
            continue;
        }
        if (*start < current) {
            result.verdict = Verdict::Passed;
            results.append(result);
            continue;
        }
        if (lastRun && !(*lastRun < *start)) {
            result.verdict = Verdict::NeverReached;
            result.detail = *start < *lastRun
                                ? QStringLiteral("старт раньше предыдущей строки")
                                : QStringLiteral("тот же старт, что у предыдущей строки");
            results.append(result);
            continue;
        }
        lastRun = start;
        result.start = start->toDateTime();
        result.verdict = Verdict::WillRun;
        const QString letter = contentLetter(line);
        if (!isContentLetter(letter)) {
            result.verdict = Verdict::UnknownLetter;
            result.detail = QStringLiteral("буква \"%1\"").arg(letter);
            results.append(result);
            continue;
        }
        const std::optional<LocalStamp> stop =
            tryParseStamp(field(line, kStopPos, kStopReadLength), year);
        if (!stop) {
            // The start handler fails with the conversion error and the dispatcher halts.
            result.verdict = Verdict::UnreadableDate;
            result.detail =
                QStringLiteral("стоп \"%1\"").arg(field(line, kStopPos, kDateTimeLength));
            blockedBy = QStringLiteral("строка %1").arg(i + 1);
            results.append(result);
            continue;
        }
        const QDateTime stopMoment = stop->toDateTime();
        const auto previous = stops.constFind(letter);
        if (previous != stops.constEnd() && result.start < previous->addMSecs(kSwitchingMs)) {
            result.verdict = Verdict::Overlap;
            result.detail = QStringLiteral("предыдущая запись \"%1\" идёт до %2")
                                .arg(letter, previous->toString(u"dd.MM.yyyy hh:mm:ss"));
        } else if (stopMoment < result.start) {
            result.verdict = Verdict::StopBeforeStart;
        } else if (slotSettings && letter != u"t" &&
                   slotText(*slotSettings, letter, slotDigit(line)).trimmed().isEmpty()) {
            result.verdict = Verdict::EmptySlot;
            result.detail = QStringLiteral("слот \"%1\"").arg(slotDigit(line));
        }
        stops.insert(letter, stopMoment);
        results.append(result);
    }
    return results;
}

bool PlanCheck::allFutureRun(const QList<Result>& results)
{
    for (const Result& result : results)
        if (result.verdict != Verdict::Blank && result.verdict != Verdict::WillRun &&
            result.verdict != Verdict::Passed)
            return false;
    return true;
}

QString PlanCheck::verdictText(Verdict verdict)
{
    switch (verdict) {
        case Verdict::Blank:
            return QStringLiteral("пустая строка, пропускается");
        case Verdict::WillRun:
            return QStringLiteral("будет выполнена");
        case Verdict::Passed:
            return QStringLiteral("старт прошёл, не выполняется");
        case Verdict::NeverReached:
            return QStringLiteral("никогда не будет достигнута");
        case Verdict::Blocked:
            return QStringLiteral("не будет выполнена: диспетчер остановится раньше");
        case Verdict::Overlap:
            return QStringLiteral("будет выполнена, но нет 0,2 с на переключение");
        case Verdict::StopBeforeStart:
            return QStringLiteral("будет выполнена, но стоп раньше старта: остановится сразу");
        case Verdict::UnknownLetter:
            return QStringLiteral("будет выполнена, но ничего не запустит: неизвестная буква");
        case Verdict::EmptySlot:
            return QStringLiteral("будет выполнена, но слот пуст");
        case Verdict::UnreadableDate:
            return QStringLiteral("ошибка даты: диспетчер остановится");
    }
    return QString();
}

QStringList PlanCheck::report(const QStringList& lines, const QList<Result>& results)
{
    QStringList out;
    for (const Result& result : results) {
        QString text =
            QStringLiteral("%1: %2").arg(result.line + 1).arg(verdictText(result.verdict));
        if (result.start.isValid())
            text +=
                QStringLiteral(" (старт %1)").arg(result.start.toString(u"dd.MM.yyyy hh:mm:ss"));
        if (!result.detail.isEmpty())
            text += QStringLiteral(" — ") + result.detail;
        if (result.verdict != Verdict::Blank)
            text += QStringLiteral("    | ") + lines.value(result.line).left(80);
        out.append(text);
    }
    return out;
}

}  // namespace velumo
