#include <gtest/gtest.h>
#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>

#include "base/failurefeed.h"
#include "fakes/testsupport.h"
#include "ui/statusline.h"

using namespace velumo;
using namespace velumo::test;

namespace {

TEST(StatusLine, ShowsTheLastFailureAndAClickListsTodays)
{
    FakeClock clock(QDateTime(QDate(2026, 12, 9), QTime(14, 2, 7)));
    FailureFeed feed(clock);
    QWidget window;
    StatusLine line(feed, &window);
    window.show();
    EXPECT_FALSE(line.isVisible());

    feed.add("t", "Нет устройства видеозахвата: проверьте подключение камеры или платы");
    clock.advanceMs(1000);
    feed.add("w", "Страница не открылась");
    EXPECT_TRUE(line.isVisible());
    EXPECT_EQ(line.text(), "14:02:08 Страница не открылась");

    QTest::mouseClick(&line, Qt::LeftButton);
    ASSERT_NE(line.listWindow(), nullptr);
    auto* text = line.listWindow()->findChild<QPlainTextEdit*>("FailureListText");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->toPlainText(),
              "14:02:07 Нет устройства видеозахвата: проверьте подключение камеры или платы\n"
              "14:02:08 Страница не открылась");
    // The open list follows the feed; a second click raises the same window.
    feed.add("k", "Нет файла");
    EXPECT_TRUE(text->toPlainText().endsWith("14:02:08 Нет файла"));
    QWidget* first = line.listWindow();
    QTest::mouseClick(&line, Qt::LeftButton);
    EXPECT_EQ(line.listWindow(), first);

    feed.clear();
    EXPECT_FALSE(line.isVisible());
    EXPECT_EQ(text->toPlainText(), "Сбоев нет.");
}

}  // namespace
