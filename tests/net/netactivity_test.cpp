#include <gtest/gtest.h>

#include "net/netactivity.h"
#include "net/progressthrottle.h"

using namespace velumo;

namespace {

TEST(ProgressThrottle, FirstAndCompletingReportsPassTheRestWaitForTheInterval)
{
    ProgressThrottle throttle(3'600'000);  // nothing in between can be due during the test
    EXPECT_TRUE(throttle.due(0, 1000));
    EXPECT_FALSE(throttle.due(10, 1000));
    EXPECT_FALSE(throttle.due(999, 1000));
    EXPECT_TRUE(throttle.due(1000, 1000));
    EXPECT_FALSE(throttle.due(1000, 1000));  // the library repeats its last figure
    throttle.reset();
    EXPECT_TRUE(throttle.due(5, -1));
    EXPECT_FALSE(throttle.due(6, -1));  // no size: nothing counts as complete

    ProgressThrottle empty(3'600'000);
    EXPECT_TRUE(empty.due(0, 0));  // an empty file is complete at once
    EXPECT_FALSE(empty.due(0, 0));

    ProgressThrottle eager(0);
    EXPECT_TRUE(eager.due(1, 10));
    EXPECT_FALSE(eager.due(1, 10));  // the same figure again says nothing new
    EXPECT_TRUE(eager.due(2, 10));
}

TEST(NetActivity, ReceiveRunLinesFromConnectingToTheEnd)
{
    NetActivity a(NetActivity::Kind::Receive);
    EXPECT_EQ(a.pageText(), QString());
    EXPECT_EQ(a.footerText(), QString());

    a.begin(QStringLiteral("ftp.example:21"));
    EXPECT_TRUE(a.active());
    EXPECT_EQ(a.pageText(), QStringLiteral("Соединение с ftp.example:21…"));
    EXPECT_EQ(a.footerText(), QStringLiteral("FTP: приём — соединение…"));

    a.phase = NetActivity::Phase::Listing;
    EXPECT_EQ(a.footerText(), QStringLiteral("FTP: приём — список файлов…"));

    a.startFile(QStringLiteral("file.avi"), 2, 3, -1);
    a.bytes = 22'020'096;  // 21 MiB of 50
    a.total = 52'428'800;
    EXPECT_EQ(a.percent(), 42);
    EXPECT_EQ(a.pageText(),
              QStringLiteral("Приём файла 2 из 3: file.avi — 21,0 МБ из 50,0 МБ (42 %)"));
    EXPECT_EQ(a.footerText(), QStringLiteral("FTP: приём — file.avi 42 %"));
    a.total = -1;
    EXPECT_EQ(a.percent(), -1);
    EXPECT_EQ(a.footerText(), QStringLiteral("FTP: приём — file.avi 21,0 МБ"));
    a.total = 52'428'800;
    a.finishFile(52'428'800, false);
    EXPECT_EQ(a.percent(), 100);
    a.startFile(QStringLiteral("same.str"), 3, 3, 10);
    a.finishFile(0, true);
    a.skipped = 1;

    a.succeed();
    EXPECT_FALSE(a.active());
    EXPECT_EQ(a.footerText(), QString());
    EXPECT_EQ(a.pageText(), QStringLiteral("Приём завершён: получено файлов 1 (50,0 МБ), без "
                                           "изменений 1, пропущено 1"));

    // A new run starts from nothing.
    a.begin(QStringLiteral("h:21"));
    a.fail(QStringLiteral("Login denied (67)"));
    EXPECT_EQ(a.pageText(), QStringLiteral("Ошибка: Login denied (67)"));
    EXPECT_EQ(a.transferred, 0);
    EXPECT_EQ(a.toJson()[QStringLiteral("phase")].toString(), QStringLiteral("failed"));
}

TEST(NetActivity, TransmitAndFeedLines)
{
    NetActivity t(NetActivity::Kind::Transmit);
    t.beginDialling(QStringLiteral("modem"));
    EXPECT_TRUE(t.active());
    EXPECT_EQ(t.footerText(), QStringLiteral("FTP: передача — набор соединения…"));
    t.connectTo(QStringLiteral("h:21"));
    EXPECT_EQ(t.pageText(), QStringLiteral("Соединение с h:21…"));
    t.startFile(QStringLiteral("run_string.htm"), 1, 1, 0);
    EXPECT_EQ(t.percent(), 100);  // an empty file
    EXPECT_EQ(t.footerText(), QStringLiteral("FTP: передача — run_string.htm 100 %"));
    t.finishFile(2048, false);
    t.succeed();
    EXPECT_EQ(t.pageText(), QStringLiteral("Передача завершена: передано файлов 1 (2,0 КБ)"));

    NetActivity f(NetActivity::Kind::Feed);
    f.begin(QStringLiteral("http://news/rss"));
    EXPECT_EQ(f.footerText(), QStringLiteral("RSS: чтение канала…"));
    f.phase = NetActivity::Phase::Transferring;
    f.bytes = 300;
    EXPECT_EQ(f.footerText(), QStringLiteral("RSS: чтение канала 300 Б"));
    f.feedLines = 4;
    f.succeed();
    EXPECT_EQ(f.pageText(), QStringLiteral("RSS-канал прочитан: строк 4"));
}

}  // namespace
