#include "plancheck.h"

#include <QHash>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/scheduleline.h"

namespace velumo {

namespace {

constexpr const char* kStringSlots[] = {key::SCEdit68, key::SCEdit59, key::SCEdit60, key::SCEdit61,
                                        key::SCEdit62, key::SCEdit63, key::SCEdit64, key::SCEdit65,
                                        key::SCEdit66, key::SCEdit67};
constexpr const char* kClipSlots[] = {key::SCEdit58, key::SCEdit49, key::SCEdit50, key::SCEdit51,
                                      key::SCEdit52, key::SCEdit53, key::SCEdit54, key::SCEdit55,
                                      key::SCEdit56, key::SCEdit57};
constexpr const char* kWebSlots[] = {key::SCEdit1w0, key::SCEdit1w1, key::SCEdit1w2, key::SCEdit1w3,
                                     key::SCEdit1w4, key::SCEdit1w5, key::SCEdit1w6, key::SCEdit1w7,
                                     key::SCEdit1w8, key::SCEdit1w9};

// The text a slot selects, or a null string when the slot digit is no digit.
QString slotText(const Settings& settings, const QString& letter, const QString& slot)
{
    if (slot.size() != 1 || slot[0] < u'0' || slot[0] > u'9')
        return QString();
    const int number = slot[0].unicode() - u'0';
    if (letter == u"s") {
        // Slot 0 takes the ticker file of the start-up.
        if (number == 0)
            return settings.text(key::SCEdit5);
        return settings.text(kStringSlots[number]);
    }
    if (letter == u"w")
        return settings.text(kWebSlots[number]);
    return settings.text(kClipSlots[number]);
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
