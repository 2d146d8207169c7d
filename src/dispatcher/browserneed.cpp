#include "browserneed.h"

#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "dispatcher/scheduleline.h"
#include "dispatcher/slottable.h"

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
    for (int slot = 0; slot <= 9; ++slot) {
        if (isSet(settings, SlotTable::field(u'w', slot)))
            return true;
        // The f lines share their slots with the clips: only a movie needs the browser.
        if (SlotTable::text(settings, u'f', slot)
                .trimmed()
                .endsWith(QLatin1String(".swf"), Qt::CaseInsensitive))
            return true;
    }
    for (const char* field : kTomorrowAddresses)
        if (isSet(settings, field))
            return true;
    if (!plan.isEmpty())
        return scheduleline::planShows(plan, u"fw");
    const QString planFile = settings.text(key::SCEditn10);
    if (planFile.isEmpty())
        return false;
    try {
        return scheduleline::planShows(readTextLines(planFile), u"fw");
    } catch (...) {
        return false;  // the dispatcher's start says what is wrong with it
    }
}

}  // namespace velumo::browserneed
