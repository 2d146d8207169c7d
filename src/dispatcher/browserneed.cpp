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

bool isMovie(const QString& file)
{
    return file.trimmed().endsWith(QLatin1String(".swf"), Qt::CaseInsensitive);
}

// The letters of the kinds the browser shows of one sort.
QString lettersOf(ContentKind::Browser browser)
{
    return ContentKind::letters(
        [browser](const ContentKind& kind) { return kind.browser == browser; });
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
    for (const ContentKind& kind : ContentKind::all())
        if (kind.browser == ContentKind::Browser::Pages)
            for (int slot = 0; slot <= 9; ++slot)
                if (isSet(settings, SlotTable::field(kind.qLetter(), slot)))
                    return true;
    for (const char* field : kTomorrowAddresses)
        if (isSet(settings, field))
            return true;
    // The operator's own page button: the page's design address is no page of the station.
    const QString site = settings.text(key::SCEdit36).trimmed();
    if (!site.isEmpty() && site != QLatin1String(findControl(key::SCEdit36)->defaultValue))
        return true;
    return moviesAtStartUp(settings, plan) ||
           planShows(settings, plan, lettersOf(ContentKind::Browser::Pages));
}

bool moviesAtStartUp(const Settings& settings, const QStringList& plan)
{
    // Kinds that share their slots with the clips: only a movie needs the browser.
    for (const ContentKind& kind : ContentKind::all())
        if (kind.browser == ContentKind::Browser::Movies)
            for (int slot = 0; slot <= 9; ++slot)
                if (isMovie(SlotTable::text(settings, kind.qLetter(), slot)))
                    return true;
    return isMovie(settings.text(key::SCEdit99)) ||
           planShows(settings, plan, lettersOf(ContentKind::Browser::Movies));
}

Warmup forStartUp(const Settings& settings, const QStringList& plan)
{
    if (!atStartUp(settings, plan))
        return {};
    return {.browsers = true, .movies = moviesAtStartUp(settings, plan)};
}

Warmup forPlanStart(bool stripOnAir, const QStringList& plan)
{
    const QString browsers = ContentKind::letters(
        [](const ContentKind& kind) { return kind.browser != ContentKind::Browser::None; });
    if (stripOnAir || !scheduleline::planShows(plan, browsers))
        return {};
    return {.browsers = true,
            .movies = scheduleline::planShows(plan, lettersOf(ContentKind::Browser::Movies))};
}

}  // namespace velumo::browserneed
