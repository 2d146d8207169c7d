#include "plancheckcommand.h"

#include <QDateTime>
#include <QFileInfo>
#include <cstdio>

#include "base/configfile.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/textfile.h"
#include "dispatcher/plancheck.h"

namespace velumo {

namespace {

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fputs("\n", stream);
}

}  // namespace

int runPlanCheck(const QString& planFile, const QString& programFolder,
                 const QStringList& ruffleFolders)
{
    QStringList lines;
    try {
        lines = readTextLines(planFile);
    } catch (...) {
        print(stderr, currentExceptionText());
        return kPlanUnreadable;
    }
    Settings settings;
    const Settings* slotSettings = nullptr;
    const QString config = programFolder + u'/' + QString::fromLatin1(configfile::kFileName);
    if (QFileInfo::exists(config)) {
        try {
            configfile::load(readFileBytes(config, kMaxSettingsFileBytes), settings);
            slotSettings = &settings;
        } catch (...) {
            print(stderr, QStringLiteral("%1: %2").arg(config, currentExceptionText()));
        }
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QList<PlanCheck::Result> results =
        PlanCheck::check(lines, now, slotSettings, PlanCheck::probe(programFolder, ruffleFolders));
    print(stdout,
          QStringLiteral("План-файл %1, проверка на %2%3")
              .arg(planFile, now.toString(u"dd.MM.yyyy hh:mm:ss"),
                   slotSettings ? QString()
                                : QStringLiteral(" (слоты не проверяются: нет velumo.cfg)")));
    for (const QString& text : PlanCheck::report(lines, results))
        print(stdout, text);
    const bool ok = PlanCheck::allFutureRun(results);
    print(stdout, ok ? QStringLiteral("Все будущие записи будут выполнены как написано.")
                     : QStringLiteral("Есть записи, которые не будут выполнены как написано."));
    return ok ? 0 : 1;
}

}  // namespace velumo
