#include <gtest/gtest.h>
#include <QDir>
#include <QJsonArray>
#include <QTemporaryDir>

#include "system/desktopfacts.h"

using namespace velumo;

namespace {

QProcessEnvironment environment(std::initializer_list<std::pair<QString, QString>> values)
{
    QProcessEnvironment env;
    for (const auto& [name, value] : values)
        env.insert(name, value);
    return env;
}

TEST(DesktopFacts, MissingNamesEachLackInTheOperatorsWords)
{
    const QString noTray = QString::fromUtf8(DesktopFacts::kNoTray);
    const QString noCompositor = QString::fromUtf8(DesktopFacts::kNoCompositor);
    const QString wayland = QString::fromUtf8(DesktopFacts::kWayland);
    EXPECT_EQ((DesktopFacts{true, true, "x11"}.missing()), QStringList());
    EXPECT_EQ((DesktopFacts{false, true, "x11"}.missing()), QStringList{noTray});
    EXPECT_EQ((DesktopFacts{true, false, "x11"}.missing()), QStringList{noCompositor});
    EXPECT_EQ((DesktopFacts{false, false, "wayland"}.missing()),
              (QStringList{noTray, noCompositor, wayland}));
    EXPECT_EQ(noTray, "Нет области уведомлений: панель остаётся на экране");

    const QJsonObject json = DesktopFacts{false, true, "wayland"}.toJson();
    EXPECT_EQ(json.value("tray"), false);
    EXPECT_EQ(json.value("compositor"), true);
    EXPECT_EQ(json.value("session"), "wayland");
    EXPECT_EQ(json.value("missing").toArray().toVariantList(),
              QJsonArray::fromStringList({noTray, wayland}).toVariantList());
}

TEST(DesktopFacts, SessionKindFromTheEnvironment)
{
    EXPECT_EQ(
        DesktopFacts::sessionOf(environment({{"XDG_SESSION_TYPE", "Wayland"}, {"DISPLAY", ":0"}})),
        "wayland");
    EXPECT_EQ(DesktopFacts::sessionOf(
                  environment({{"XDG_SESSION_TYPE", "x11"}, {"WAYLAND_DISPLAY", "wayland-0"}})),
              "x11");
    // Started outside a login session (a service, a terminal): the displays tell.
    EXPECT_EQ(
        DesktopFacts::sessionOf(environment({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}})),
        "wayland");
    EXPECT_EQ(DesktopFacts::sessionOf(environment({{"DISPLAY", ":0"}})), "x11");
    EXPECT_EQ(DesktopFacts::sessionOf(environment({})), "unknown");
}

TEST(DesktopFacts, AUserSystemdRunsWhereItsRuntimeFolderHasOne)
{
    QTemporaryDir runtime;
    EXPECT_FALSE(DesktopFacts::userSystemdRuns(environment({{"XDG_RUNTIME_DIR", runtime.path()}})));
    ASSERT_TRUE(QDir(runtime.path()).mkdir("systemd"));
    EXPECT_TRUE(DesktopFacts::userSystemdRuns(environment({{"XDG_RUNTIME_DIR", runtime.path()}})));
    EXPECT_FALSE(DesktopFacts::userSystemdRuns(environment({})));
}

}  // namespace
