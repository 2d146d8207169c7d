#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <QDir>

#include "base/operations.h"
#include "base/settingskeys.h"
#include "net/ftpexchange.h"
#include "net/netrig.h"
#include "net/nettestsupport.h"
#include "net/networkpages.h"
#include "ticker/rssfeed.h"
#include "ticker/rsspage.h"
#include "ui/settingswindow.h"

using namespace velumo;
using velumo::test::waitFor;

namespace {

class NetworkPagesTest : public ::testing::Test, protected test::ExchangeRig {
protected:
    FtpExchange ftp{settings, blockText, dialUp, notifier, &log, timers, dir.path()};
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

    // The receive side set up for the test server, over a permanent network.
    QString receiveFrom(const test::FtpTestServer& server, const QString& password)
    {
        const QString local = dir.filePath(QStringLiteral("local"));
        QDir().mkpath(local);
        settings.setText(key::SCEdit4, QStringLiteral("127.0.0.1"));
        settings.setText(key::SCEdit8, QString::number(server.port));
        settings.setText(key::SCEdit75, QStringLiteral("user"));
        settings.setText(key::SCEdit76, password);
        settings.setText(key::SCEdit83, QStringLiteral("/in"));
        settings.setText(key::SCEdit84, local);
        settings.setChecked(key::SCCheckbox12, true);
        return local;
    }
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

namespace {

TEST_F(NetworkPagesTest, ReceiveRunShowsItsFileAndProgressThenItsResult)
{
    const QString root = dir.filePath(QStringLiteral("root"));
    QDir().mkpath(root + QLatin1String("/in"));
    test::writeAll(root + QLatin1String("/in/clip.avi"), QByteArray(3 * 1024 * 1024, 'c'));
    test::FtpTestServer server(root, QStringLiteral("pace=1500000"));
    ASSERT_GT(server.port, 0);
    receiveFrom(server, QStringLiteral("s3cret-pw"));
    auto* footer = find<QLabel>("FtpReceiveFooter");
    auto* text = find<QLabel>("FtpReceiveText");
    auto* bar = find<QProgressBar>("FtpReceiveProgress");
    auto* list = find<QListWidget>("lbList");
    EXPECT_TRUE(footer->isHidden());
    EXPECT_TRUE(text->isHidden());

    click("SCButton61");
    // Somewhere in the middle of the file: the page and the footer say where.
    ASSERT_TRUE(waitFor([&] { return bar->value() > 0 && bar->value() < 100; }));
    EXPECT_FALSE(footer->isHidden());
    EXPECT_TRUE(footer->text().startsWith(QStringLiteral("FTP: приём — clip.avi ")));
    EXPECT_TRUE(footer->text().endsWith(QStringLiteral(" %")));
    EXPECT_TRUE(text->text().startsWith(QStringLiteral("Приём файла 1 из 1: clip.avi — ")))
        << text->text().toStdString();
    EXPECT_FALSE(bar->isHidden());

    ASSERT_TRUE(waitFor([&] { return !ftp.running(FtpExchange::Receive); }));
    EXPECT_TRUE(footer->isHidden());
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(text->text(), QStringLiteral("Приём завершён: получено файлов 1 (3,0 МБ), без "
                                           "изменений 0, пропущено 0"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("clip.avi"));
    EXPECT_TRUE(notifier.errors.isEmpty());
}

TEST_F(NetworkPagesTest, FailedRunShowsWhyWithoutABox)
{
    const QString root = dir.filePath(QStringLiteral("root"));
    QDir().mkpath(root + QLatin1String("/in"));
    test::FtpTestServer server(root);
    ASSERT_GT(server.port, 0);
    receiveFrom(server, QStringLiteral("Wr0ng-pass"));
    auto* text = find<QLabel>("FtpReceiveText");
    click("SCButton61");
    ASSERT_TRUE(waitFor([&] { return !ftp.running(FtpExchange::Receive); }));
    EXPECT_TRUE(text->text().startsWith(QStringLiteral("Ошибка: Connect to 127.0.0.1:")));
    EXPECT_TRUE(text->text().contains(QStringLiteral("Login denied")));
    EXPECT_FALSE(text->text().contains(QStringLiteral("Wr0ng-pass")));
    EXPECT_TRUE(find<QLabel>("FtpReceiveFooter")->isHidden());
    EXPECT_TRUE(notifier.errors.isEmpty());  // over a permanent network the run stays quiet
}

TEST_F(NetworkPagesTest, FeedReadShowsItsResult)
{
    auto* text = find<QLabel>("RssText");
    auto* footer = find<QLabel>("RssFooter");
    auto readFrom = [&](const QString& address) {
        settings.setText(key::SCEdit20, address);
        click("SCButton12");
        EXPECT_FALSE(footer->isHidden());  // until the worker's answer is in
        EXPECT_TRUE(waitFor([&] { return !rss.busy(); }));
        EXPECT_TRUE(footer->isHidden());
    };
    test::writeAll(dir.filePath(QStringLiteral("news.xml")),
                   "<rss version=\"2.0\"><channel><lastBuildDate>today</lastBuildDate>"
                   "<item><title>One</title></item></channel></rss>");
    readFrom(QStringLiteral("news.xml"));
    EXPECT_EQ(text->text(), QStringLiteral("RSS-канал прочитан: строк 2"));
    readFrom(QStringLiteral("missing.xml"));
    EXPECT_TRUE(text->text().startsWith(QStringLiteral("Ошибка: Неверный адрес RSS-канала — ")))
        << text->text().toStdString();
}

}  // namespace
