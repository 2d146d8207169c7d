#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "dispatcher/browserneed.h"
#include "rig.h"

using namespace velumo;
using test::planLine;

namespace {

// Whether the browser engine starts with the program: what the settings and the plan name.
TEST(BrowserNeed, AWebAddressAMovieSlotOrABrowserLineOfThePlan)
{
    struct Case {
        const char* name;
        const char* field;  // set to value; nullptr: nothing set
        const char* value;
        const char* code;  // the plan's one line; nullptr: an empty plan
        bool needed;
    };
    const Case cases[] = {
        {"nothing", nullptr, "", nullptr, false},
        {"today's address", key::SCEdit1w3, "http://127.0.0.1/a", nullptr, true},
        {"today's slot 0", key::SCEdit1w0, "file:///srv/page.html", nullptr, true},
        {"tomorrow's address", key::SCEdit2w9, "http://127.0.0.1/b", nullptr, true},
        {"blank address", key::SCEdit1w1, "   ", nullptr, false},
        {"movie in a clip slot", key::SCEdit52, "/srv/intro.SWF", nullptr, true},
        {"clip in a clip slot", key::SCEdit52, "/srv/intro.avi", nullptr, false},
        {"slide show in a clip slot", key::SCEdit58, "/srv/show.pptx", nullptr, false},
        // The manual address of the page's button has a default; it starts nothing.
        {"site button's address", key::SCEdit36, "www.example.org", nullptr, false},
        {"site button's own page", key::SCEdit36, "news.example.org/wall", nullptr, true},
        {"movie buttons' movie", key::SCEdit99, "/srv/test.swf", nullptr, true},
        {"web line in the plan", nullptr, "", "w1", true},
        {"movie line in the plan", nullptr, "", "f4", true},
        {"clip line in the plan", nullptr, "", "k1", false},
        {"ticker line in the plan", nullptr, "", "s1", false},
    };
    for (const Case& c : cases) {
        Settings settings;
        if (c.field)
            settings.setText(c.field, QString::fromUtf8(c.value));
        QStringList plan;
        if (c.code)
            plan = {QStringLiteral("13.10.10"),
                    planLine("11:00:00", QString::fromLatin1(c.code), "11:30:00")};
        EXPECT_EQ(browserneed::atStartUp(settings, plan), c.needed) << c.name;
        // Ruffle is prepared for a movie only.
        EXPECT_EQ(browserneed::moviesAtStartUp(settings, plan),
                  c.needed && QByteArray(c.name).contains("movie"))
            << c.name;
    }
}

// Before the dispatcher has started, its plan file tells.
TEST(BrowserNeed, ThePlanFileWhileNoPlanIsLoaded)
{
    QTemporaryDir dir;
    const QString web = dir.filePath(QStringLiteral("web.pln"));
    const QString clips = dir.filePath(QStringLiteral("clips.pln"));
    writeTextLines(web, {QStringLiteral("13.10.10"), planLine("11:00:00", "k1", "11:30:00"),
                         planLine("12:00:00", "w2", "12:30:00")});
    writeTextLines(clips, {QStringLiteral("13.10.10"), planLine("11:00:00", "k1", "11:30:00")});
    Settings settings;
    settings.setText(key::SCEditn10, web);
    EXPECT_TRUE(browserneed::atStartUp(settings, {}));
    // A loaded plan is what the dispatcher runs, whatever the file holds now.
    EXPECT_FALSE(browserneed::atStartUp(
        settings, {QStringLiteral("13.10.10"), planLine("11:00:00", "k1", "11:30:00")}));
    settings.setText(key::SCEditn10, clips);
    EXPECT_FALSE(browserneed::atStartUp(settings, {}));
    settings.setText(key::SCEditn10, dir.filePath(QStringLiteral("missing.pln")));
    EXPECT_FALSE(browserneed::atStartUp(settings, {}));
}

// A plan's start warms for its w and f lines, Ruffle for f only, never under a strip on air.
TEST(BrowserNeed, TheWarmUpOfAPlansStart)
{
    using browserneed::Warmup;
    const auto plan = [](const char* code) {
        return QStringList{QStringLiteral("13.10.10"), planLine("11:00:00", code, "11:30:00")};
    };
    EXPECT_EQ(browserneed::forPlanStart(false, plan("w1")), (Warmup{true, false}));
    EXPECT_EQ(browserneed::forPlanStart(false, plan("f2")), (Warmup{true, true}));
    EXPECT_EQ(browserneed::forPlanStart(false, plan("k1")), Warmup{});
    EXPECT_EQ(browserneed::forPlanStart(true, plan("f2")), Warmup{});
}

}  // namespace
