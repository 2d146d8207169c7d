#include "browserneed.h"

#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "dispatcher/scheduleline.h"
#include "dispatcher/slottable.h"
#include "players/contentkind.h"

namespace velumo::browserneed {

namespace {

constexpr const char* kTomorrowAddresses[] = {
    key::SCEdit2w1, key::SCEdit2w2, key::SCEdit2w3, key::SCEdit2w4, key::SCEdit2w5,
    key::SCEdit2w6, key::SCEdit2w7, key::SCEdit2w8, key::SCEdit2w9, key::SCEdit2w0};

bool isSet(const Settings& settings, const char* field)
{
    return field && !settings.text(field).trimmed().isEmpty();
}

}  // namespace

bool atStartUp(const Settings& settings, const QStringList& plan)
{
    for (const ContentKind& kind : ContentKind::all()) {
        if (!kind.needsBrowser)
            continue;
        for (int slot = 0; slot <= 9; ++slot) {
            // An address needs the browser; a kind that shares its slots with the clips needs
            // it only for a movie.
            if (kind.slotColumn == ContentKind::SlotColumn::Web
                    ? isSet(settings, SlotTable::field(kind.qLetter(), slot))
                    : SlotTable::text(settings, kind.qLetter(), slot)
                          .trimmed()
                          .endsWith(QLatin1String(".swf"), Qt::CaseInsensitive))
                return true;
        }
    }
    for (const char* field : kTomorrowAddresses)
        if (isSet(settings, field))
            return true;
    if (!plan.isEmpty())
        return inPlan(plan);
    const QString planFile = settings.text(key::SCEditn10);
    if (planFile.isEmpty())
        return false;
    try {
        return inPlan(readTextLines(planFile));
    } catch (...) {
        return false;  // the dispatcher's start says what is wrong with it
    }
}

bool inPlan(const QStringList& plan)
{
    return scheduleline::planShows(
        plan, ContentKind::letters([](const ContentKind& kind) { return kind.needsBrowser; }));
}

}  // namespace velumo::browserneed
