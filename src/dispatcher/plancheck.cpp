#include "plancheck.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/scheduleline.h"
#include "dispatcher/slottable.h"
#include "players/contentkind.h"

namespace velumo {

namespace {

// The text a slot of a kind selects, or a null string when the slot digit is no digit or the
// kind has no slots.
QString slotText(const Settings& settings, const ContentKind& kind, const QString& slot)
{
    if (!SlotTable::field(kind.qLetter(), slot))
        return QString();
    // The start-up puts its ticker file into slot 0 of the string column; the plan is checked
    // against that.
    if (kind.slotColumn == ContentKind::SlotColumn::String && slot == u"0")
        return settings.text(key::SCEdit5);
    return SlotTable::text(settings, kind.qLetter(), slot);
}

// What a kind needs that the station lacks: the verdict and its detail; nothing when it has
// it or it is not checked.
std::optional<std::pair<PlanCheck::Verdict, QString>> lacking(
    const ContentKind& kind, const PlanCheck::Environment& environment)
{
    using Verdict = PlanCheck::Verdict;
    switch (kind.needs) {
        case ContentKind::Needs::LibreOffice:
            if (environment.libreOffice == false)
                return std::pair(Verdict::MissingProgram,
                                 QStringLiteral("для презентаций нужен LibreOffice (soffice)"));
            break;
        case ContentKind::Needs::Ruffle:
            if (environment.ruffle == false)
                return std::pair(Verdict::MissingProgram,
                                 QStringLiteral("для Flash нужен Ruffle (ruffle.js)"));
            break;
        case ContentKind::Needs::CaptureDevice:
            if (environment.captureDevice == false)
                return std::pair(Verdict::NoDevice,
                                 QStringLiteral("подключите камеру или плату видеозахвата"));
            break;
        case ContentKind::Needs::Nothing:
            break;
    }
    return std::nullopt;
}

// Why a slot's file cannot be opened, or nothing when it can.
std::optional<QString> fileProblem(const QString& folder, const QString& name)
{
    QFileInfo info(name);
    if (info.isRelative() && !folder.isEmpty())
        info = QFileInfo(QDir(folder), name);
    // A DVD is named by a folder (VIDEO_TS) as well as by a file.
    if (!info.exists())
        return QStringLiteral("файл \"%1\" не найден").arg(name);
    if (!info.isReadable())
        return QStringLiteral("файл \"%1\" не читается").arg(name);
    return std::nullopt;
}

}  // namespace

PlanCheck::Environment PlanCheck::probe(const QString& programFolder,
                                        const QStringList& ruffleFolders,
                                        const QString& deviceFolder)
{
    Environment environment;
    environment.programFolder = programFolder;
    environment.checkFiles = true;
    environment.libreOffice = !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
    bool ruffle = false;
    for (const QString& folder : ruffleFolders)
        ruffle = ruffle ||
                 (!folder.isEmpty() && QFileInfo::exists(folder + QStringLiteral("/ruffle.js")));
    environment.ruffle = ruffle;
    environment.captureDevice =
        !QDir(deviceFolder)
             .entryList({QStringLiteral("video*")}, QDir::System | QDir::Files)
             .isEmpty();
    return environment;
}

QList<PlanCheck::Result> PlanCheck::check(const QStringList& lines, const QDateTime& now,
                                          const Settings* slotSettings,
                                          const Environment& environment)
{
    using namespace scheduleline;
    QList<Result> results;
    const int year = now.date().year();
    const LocalStamp current{now.date(), now.time()};
    std::optional<LocalStamp> lastRun;  // the start of the last line that will run
    QHash<QString, QDateTime> stops;    // the stop of the last running entry of each letter
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        Result result;
        result.line = i;
        if (isBlank(line)) {
            result.verdict = Verdict::Blank;
            results.append(result);
            continue;
        }
        const std::optional<LocalStamp> start =
            tryParseStamp(field(line, kStartPos, kDateTimeLength), year);
        if (!start) {
            // The dispatcher passes such a line over.
            result.verdict = Verdict::UnreadableDate;
            result.detail =
                QStringLiteral("старт \"%1\"").arg(field(line, kStartPos, kDateTimeLength));
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
        const ContentKind* kind = ContentKind::find(letter);
        if (!kind) {
            result.verdict = Verdict::UnknownLetter;
            result.detail = QStringLiteral("буква \"%1\"").arg(letter);
            results.append(result);
            continue;
        }
        const std::optional<LocalStamp> stop =
            tryParseStamp(field(line, kStopPos, kStopReadLength), year);
        if (!stop) {
            // The start handler fails with the conversion error; the dispatcher goes on.
            result.verdict = Verdict::UnreadableDate;
            result.detail =
                QStringLiteral("стоп \"%1\"").arg(field(line, kStopPos, kDateTimeLength));
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
        } else if (slotSettings && kind->slotColumn != ContentKind::SlotColumn::None &&
                   slotText(*slotSettings, *kind, slotDigit(line)).trimmed().isEmpty()) {
            result.verdict = Verdict::EmptySlot;
            result.detail = QStringLiteral("слот \"%1\"").arg(slotDigit(line));
        } else if (const auto lack = lacking(*kind, environment)) {
            result.verdict = lack->first;
            result.detail = lack->second;
        } else if (slotSettings && environment.checkFiles && kind->slotNamesFile()) {
            const QString name = slotText(*slotSettings, *kind, slotDigit(line)).trimmed();
            if (const std::optional<QString> problem =
                    fileProblem(environment.programFolder, name)) {
                result.verdict = Verdict::MissingFile;
                result.detail = *problem;
            }
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
        case Verdict::Overlap:
            return QStringLiteral("будет выполнена, но нет 0,2 с на переключение");
        case Verdict::StopBeforeStart:
            return QStringLiteral("будет выполнена, но стоп раньше старта: остановится сразу");
        case Verdict::UnknownLetter:
            return QStringLiteral("будет выполнена, но ничего не запустит: неизвестная буква");
        case Verdict::EmptySlot:
            return QStringLiteral("будет выполнена, но слот пуст");
        case Verdict::UnreadableDate:
            return QStringLiteral("не будет выполнена: такой даты или времени нет");
        case Verdict::MissingFile:
            return QStringLiteral("не будет показана: нет файла");
        case Verdict::MissingProgram:
            return QStringLiteral("не будет показана: не установлена программа");
        case Verdict::NoDevice:
            return QStringLiteral("не будет показана: нет устройства видеозахвата");
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
