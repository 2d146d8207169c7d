#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "base/operations.h"
#include "base/settingskeys.h"
#include "net/ftpexchange.h"
#include "net/netrig.h"
#include "net/nettestsupport.h"
#include "net/networkpages.h"
#include "players/rssfeed.h"
#include "players/rsspage.h"
#include "ui/settingswindow.h"

using namespace velumo;
using velumo::test::waitFor;

namespace {

class NetworkPagesTest : public ::testing::Test, protected test::ExchangeRig {
protected:
    FtpExchange ftp{settings, block, edits, dialUp, notifier, &log, timers, dir.path()};
    RssFeed rss{settings, block, edits, notifier, &log, timers, dir.path()};
    SettingsWindow window{settings};
    Operations operations;
    int saves = 0;
    bool registered = [this] {
        operations.add("save", [this](const QString&) {
            ++saves;
            return QString();
        });
        return true;
    }();
    NetworkPages* pages = new NetworkPages(window, settings, notifier, operations, ftp, dialUp);
    RssPage* rssPage = new RssPage(window, notifier, rss);

    template <typename T>
    T* find(const char* name)
    {
        T* widget = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* button) { find<QPushButton>(button)->click(); }
};

TEST_F(NetworkPagesTest, HelpAndSaveButtonsOfBothSubPages)
{
    click("SCButton66");
    click("SCButton108");
    click("SCButton24");
    click("SCButton107");
    EXPECT_EQ(notifier.messages, QStringList(2, FtpExchange::kHelpText));
    EXPECT_EQ(saves, 2);
}

TEST_F(NetworkPagesTest, CheckBoxesSwitchTheAutomaticTimers)
{
    settings.setSpin(key::SpinEdit38, 9);
    find<QCheckBox>(key::SCCheckbox17)->click();
    EXPECT_TRUE(settings.checked(key::SCCheckbox17));
    EXPECT_TRUE(timers.timer(QStringLiteral("Timer6")).isActive());
    EXPECT_EQ(timers.timer(QStringLiteral("Timer6")).interval(), 9 * 60000);
    find<QCheckBox>(key::SCCheckbox17)->click();
    EXPECT_FALSE(timers.timer(QStringLiteral("Timer6")).isActive());

    find<QCheckBox>(key::SCCheckbox13)->click();
    EXPECT_TRUE(timers.timer(QStringLiteral("TimerRSS")).isActive());
    EXPECT_EQ(timers.timer(QStringLiteral("TimerRSS")).interval(), 5 * 60000);
}

TEST_F(NetworkPagesTest, DialUpListSelectionAndStatusLabel)
{
    nmcli.setEntries("Beeline:gsm\nMTS:gsm\n");
    click("SCButton71");
    auto* list = find<QListWidget>("ListBox3");
    ASSERT_TRUE(waitFor([&] { return list->count() == 2; }));
    QListWidgetItem* item = list->item(1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    EXPECT_EQ(settings.text(key::SCEdit95), QStringLiteral("MTS"));
    click("SCButton72");
    auto* label = find<QLabel>("Label1");
    ASSERT_TRUE(waitFor([&] { return label->text() == QStringLiteral("Connected"); }));
    click("SCButton73");
    ASSERT_TRUE(waitFor([&] { return !notifier.messages.isEmpty(); }));
    EXPECT_EQ(notifier.messages, QStringList{QStringLiteral("Отсоединились")});
    click("SCButton69");  // nothing chosen on the receive side
    EXPECT_EQ(notifier.messages.last(), QStringLiteral("Задайте имя соединения "));
}

TEST_F(NetworkPagesTest, UploadListShowsAddedFiles)
{
    ftp.addUpload(QStringLiteral("/srv/a.txt"));
    ftp.addUpload(QStringLiteral("/srv/b.txt"));
    auto* list = find<QListWidget>("LBlist2");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("/srv/b.txt"));
}

}  // namespace
