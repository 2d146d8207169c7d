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

bool isMovie(const QString& file)
{
    return file.trimmed().endsWith(QLatin1String(".swf"), Qt::CaseInsensitive);
}

// Whether the plan shows one of the letters: the one loaded, or while none is, the plan file.
bool planShows(const Settings& settings, const QStringList& plan, QStringView letters)
{
    if (!plan.isEmpty())
        return scheduleline::planShows(plan, letters);
    const QString planFile = settings.text(key::SCEditn10);
    if (planFile.isEmpty())
        return false;
    try {
        return scheduleline::planShows(readTextLines(planFile), letters);
    } catch (...) {
        return false;  // the dispatcher's start says what is wrong with it
    }
}

}  // namespace

bool atStartUp(const Settings& settings, const QStringList& plan)
{
    for (int slot = 0; slot <= 9; ++slot)
        if (isSet(settings, SlotTable::field(u'w', slot)))
            return true;
    for (const char* field : kTomorrowAddresses)
        if (isSet(settings, field))
            return true;
    // The operator's own page button: the page's design address is no page of the station.
    const QString site = settings.text(key::SCEdit36).trimmed();
    if (!site.isEmpty() && site != QLatin1String(findControl(key::SCEdit36)->defaultValue))
        return true;
    return moviesAtStartUp(settings, plan) || planShows(settings, plan, u"w");
}

bool moviesAtStartUp(const Settings& settings, const QStringList& plan)
{
    // The f lines share their slots with the clips: only a movie needs the browser.
    for (int slot = 0; slot <= 9; ++slot)
        if (isMovie(SlotTable::text(settings, u'f', slot)))
            return true;
    return isMovie(settings.text(key::SCEdit99)) || planShows(settings, plan, u"f");
}

Warmup forStartUp(const Settings& settings, const QStringList& plan)
{
    if (!atStartUp(settings, plan))
        return {};
    return {.browsers = true, .movies = moviesAtStartUp(settings, plan)};
}

Warmup forPlanStart(bool stripOnAir, const QStringList& plan)
{
    if (stripOnAir || !scheduleline::planShows(plan, u"fw"))
        return {};
    return {.browsers = true, .movies = scheduleline::planShows(plan, u"f")};
}

}  // namespace velumo::browserneed
