#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "base/failure.h"
#include "base/textfile.h"
#include "dispatcher/planner.h"
#include "fakes/testsupport.h"

using namespace velumo;
using namespace velumo::test;

namespace {

const QDate kDay(2010, 10, 13);
const QDateTime kPlannerNow(kDay, QTime(12, 0));
const QString kPlannerLine = QStringLiteral("13.10.10 12:10:30|s1|00|13.10.10 13:50:30");

TEST(Planner, SamplesAndProposedName)
{
    EXPECT_EQ(Planner::startupSample(kDay), "13.10.10 17:00:30|k1|00|13.10.10 17:00:30|имя файла");
    EXPECT_EQ(Planner::prefill(kDay), "13.10.10 17:00:00|k1|00|13.10.10 17:00:30");
    EXPECT_EQ(Planner::proposedFileName(kDay), "pz131010");
    EXPECT_EQ(Planner::proposedFileName(QDate(2026, 1, 2)), "pz020126");
}

TEST(Planner, AddChecksBothDatesAndKeepsTheTextUnchanged)
{
    RecordingNotifier notifier;
    Planner planner(notifier);
    const QString padded = kPlannerLine + QStringLiteral("|clip.avi           ");
    planner.BitBtn43Click(padded, kPlannerNow);
    planner.BitBtn43Click(padded, kPlannerNow);  // duplicates are allowed
    EXPECT_EQ(planner.Memo3(), (QStringList{padded, padded}));

    for (const QString& bad :
         {QStringLiteral("  .  .   17:00:30|k1|00|13.10.10 17:00:30"),
          QStringLiteral("13.10.10 17:00:30|k1|00|  .  .   17:00:30"),
          QStringLiteral("13.10.10 25:00:30|k1|00|13.10.10 17:00:30"), QString()}) {
        EXPECT_THROW(planner.BitBtn43Click(bad, kPlannerNow), Failure) << bad.toStdString();
    }
    EXPECT_EQ(planner.Memo3().size(), 2);
}

TEST(Planner, ReplaceDates)
{
    struct Case {
        QString line;
        QString expected;
    };
    const QString withComment = kPlannerLine + QStringLiteral("|имя файла");
    const Case cases[] = {
        {withComment, QStringLiteral("14.10.10 12:10:30|s1|00|14.10.10 13:50:30")},
        {QStringLiteral("12.10.10 23:00:00|k2|z0|13.10.10 01:00:00"),
         QStringLiteral("14.10.10 23:00:00|k2|z0|14.10.10 01:00:00")},
        {QStringLiteral("11.10.10 12:00:00|k2|00|11.10.10 13:00:00"),
         QStringLiteral("11.10.10 12:00:00|k2|00|11.10.10 13:00:00")},
        {QStringLiteral("short 13.10.10"), QStringLiteral("14.10.10.10.1014.10.10")},
    };
    RecordingNotifier notifier;
    Planner planner(notifier);
    QStringList lines;
    for (const Case& c : cases)
        lines.append(c.line);
    planner.setMemo3(lines);
    planner.SCButton20Click(kDay, kDay.addDays(1));
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(planner.Memo3()[i], cases[i].expected) << i;

    // Old equal to new drops only the comment.
    planner.setMemo3({withComment});
    planner.SCButton20Click(kDay, kDay);
    EXPECT_EQ(planner.Memo3(), QStringList{kPlannerLine});
}

TEST(Planner, SaveAsksBeforeOverwriting)
{
    QTemporaryDir dir;
    RecordingNotifier notifier;
    Planner planner(notifier);
    planner.setMemo3(
        {kPlannerLine, QStringLiteral("13.10.10 14:00:00|k1|00|13.10.10 15:00:00|клип")});
    const QString path = dir.filePath(Planner::proposedFileName(kDay));
    EXPECT_TRUE(planner.savePlanFile(path));
    EXPECT_TRUE(notifier.questions.isEmpty());
    EXPECT_EQ(readAll(path),
              cp1251(planner.Memo3().join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));

    notifier.answer = false;
    planner.setMemo3({kPlannerLine});
    EXPECT_FALSE(planner.savePlanFile(path));
    EXPECT_EQ(notifier.questions, QStringList{"Заменить существующий файл ?"});
    EXPECT_EQ(notifier.messages, QStringList{"План-файл не создан!"});
    EXPECT_EQ(readTextLines(path).size(), 2);

    notifier.answer = true;
    EXPECT_TRUE(planner.savePlanFile(path));
    EXPECT_EQ(readTextLines(path), QStringList{kPlannerLine});

    // Open reads the file back, in either encoding.
    writeAll(dir.filePath("utf8.pln"), (kPlannerLine + QStringLiteral("|имя\r\n")).toUtf8());
    planner.openPlanFile(dir.filePath("utf8.pln"));
    EXPECT_EQ(planner.Memo3(), QStringList{kPlannerLine + QStringLiteral("|имя")});
    EXPECT_THROW(planner.openPlanFile(dir.filePath("missing.pln")), Failure);
    EXPECT_EQ(planner.Memo3().size(), 1);
}

}  // namespace
