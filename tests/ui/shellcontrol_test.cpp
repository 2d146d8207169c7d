// The shell's logic without a window: the settings file's reading with its refusals, the
// administrator entry and the closed access, the autostart entry, the save.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "base/configfile.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "fakes/testsupport.h"
#include "ui/autostartentry.h"
#include "ui/shellcontrol.h"

namespace velumo {
namespace {

class RecordingShellWindow final : public ShellWindow {
public:
    QStringList hidden;
    QStringList shown;
    QPoint at;
    void setPageSetVisible(const QString& pageSet, bool visible) override
    {
        (visible ? shown : hidden).append(pageSet);
    }
    QStringList componentNames() const override { return {}; }
    QList<UiComponent> components() const override
    {
        return {UiComponent{"SCButton10", ComponentClass::Button, "Сохранить", "Сохранить"}};
    }
    void applyComponents(const QList<UiComponent>&) override {}
    QPoint position() const override { return at; }
    void move(const QPoint& topLeft) override { at = topLeft; }
};

class Shell : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Settings settings;
    test::RecordingNotifier notifier;
    EventLog log{dir.filePath("velumo.log")};
    RecordingShellWindow window;
    ShellControl shell{dir.path(), settings, notifier, log, window};
};

TEST_F(Shell, ThePasswordOpensEveryPageSetAndClosedAccessHidesTheCheckedOnes)
{
    settings.setChecked(key::SCCheckBoxpc1, true);
    settings.setChecked(key::SCCheckBoxpc5, true);
    shell.applyClosedAccess();
    EXPECT_EQ(window.hidden, (QStringList{"PageControl2", "PageControl7"}));

    settings.setText(key::SCEdit104, QStringLiteral("тайна"));
    settings.setText(key::SCEdit102, QStringLiteral("не то"));
    shell.adminEntry();
    EXPECT_TRUE(window.shown.isEmpty());
    EXPECT_EQ(notifier.messages, QStringList{"Пароль неверен!"});
    settings.setText(key::SCEdit102, QStringLiteral("тайна"));
    shell.adminEntry();
    EXPECT_EQ(window.shown, (QStringList{"PageControl2", "PageControl3", "PageControl4",
                                         "PageControl5", "PageControl7"}));
    EXPECT_EQ(notifier.messages.last(), "Доступ к настройкам открыт");
}

TEST_F(Shell, ANumberFieldOfLettersTakesItsDesignValueWithTheFilesMessageAndTheFileStays)
{
    const QByteArray content = configfile::scramble("SCEdit77 " + QByteArray(8 << 20, 'x')) +
                               "\r\n" + configfile::scramble("SCEdit94 120") + "\r\n";
    test::writeAll(dir.filePath("velumo.cfg"), content);
    shell.loadSettingsFiles();
    EXPECT_EQ(settings.text(key::SCEdit77), "400");
    EXPECT_EQ(window.at, QPoint(0, 120));
    EXPECT_FALSE(shell.firstStart());
    EXPECT_EQ(notifier.messages, QStringList{QString::fromUtf8(configfile::kLoadFailedMessage)});
    // Read, never written: the file stays byte for byte until the operator saves.
    EXPECT_EQ(readFileBytes(dir.filePath("velumo.cfg"), 64 << 20), content);

    // A file that stops at a spinner that is no number still has its number fields refused.
    Settings other;
    ShellControl second(dir.path(), other, notifier, log, window);
    test::writeAll(dir.filePath("velumo.cfg"), configfile::scramble("SCEdit43 abc") + "\r\n" +
                                                   configfile::scramble("SpinEdit4 x") + "\r\n");
    EXPECT_ANY_THROW(second.loadSettingsFiles());
    EXPECT_EQ(other.text(key::SCEdit43), "400");
    EXPECT_TRUE(second.firstStart());
}

TEST_F(Shell, TheAutostartEntryIsWrittenOnlyAfterTheConfirmation)
{
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    notifier.answer = false;
    shell.fix_startExecute(QStringLiteral("/opt/velumo/velumo"));
    EXPECT_FALSE(QFile::exists(dir.filePath("config/autostart/velumo.desktop")));
    notifier.answer = true;
    shell.fix_startExecute(QStringLiteral("/opt/velumo/velumo"));
    qunsetenv("XDG_CONFIG_HOME");
    const QByteArray entry = readFileBytes(dir.filePath("config/autostart/velumo.desktop"), 4096);
    EXPECT_TRUE(entry.contains("/opt/velumo/velumo")) << entry.constData();
    EXPECT_TRUE(entry.contains(QDir(dir.path()).absolutePath().toUtf8()));
    EXPECT_EQ(notifier.questions.size(), 2);
}

TEST_F(Shell, TheSaveWritesBothFilesAndAFailedSaveSaysSo)
{
    window.at = QPoint(30, 40);
    shell.storePosition(QDate(2026, 12, 10));
    EXPECT_EQ(settings.text(key::SCEdit94), "40");
    EXPECT_EQ(settings.text(key::SCEdit96), "30");
    EXPECT_EQ(settings.text(key::SCEdit11), "10.12.26");
    shell.saveSettingsFiles();
    EXPECT_TRUE(QFile::exists(dir.filePath("velumo.cfg")));
    EXPECT_TRUE(QFile::exists(dir.filePath("velumo_lang.cfg")));
    EXPECT_TRUE(notifier.messages.isEmpty());

    ShellControl nowhere(dir.filePath("missing/folder"), settings, notifier, log, window);
    nowhere.saveSettingsFiles();
    EXPECT_EQ(notifier.messages, QStringList{QString::fromUtf8(configfile::kWriteFailedMessage)});
}

TEST(AutostartEntry, ExecLineSurvivesAwkwardPaths)
{
    EXPECT_EQ(autostartentry::execArgument("/opt/velumo"), "\"/opt/velumo\"");
    EXPECT_EQ(autostartentry::execArgument("/a b/\"q\"/$x/`y`/50%"),
              "\"/a b/\\\\\"q\\\\\"/\\\\$x/\\\\`y\\\\`/50%%\"");
    EXPECT_EQ(autostartentry::execArgument("c:\\d"), "\"c:\\\\\\\\d\"");
    const QString entry = autostartentry::desktopEntry("/usr/bin/velumo", "/srv/demo");
    EXPECT_TRUE(entry.contains("Exec=\"/usr/bin/velumo\" --dir \"/srv/demo\" r\n"));
    EXPECT_TRUE(entry.contains("Path=/srv/demo\n"));
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_THROW(autostartentry::desktopEntry("/usr/bin/velumo", "/a\nExec=evil"), Failure);
}

}  // namespace
}  // namespace velumo
