#include <gtest/gtest.h>

#include <QJsonObject>
#include <QStringDecoder>

#include "asrun/report.h"
#include "fakes/testsupport.h"

using namespace velumo;

namespace {

QJsonObject shown(int index, const QString& text, const QString& entered, const QString& left)
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("announcement")},
                       {QStringLiteral("index"), index},
                       {QStringLiteral("tariff"), index % 3},
                       {QStringLiteral("text"), text},
                       {QStringLiteral("entered"), entered},
                       {QStringLiteral("left"), left},
                       {QStringLiteral("local"), left}};
}

QJsonObject played(const QString& kind, const QString& source, double seconds, const QString& at)
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("content")},
                       {QStringLiteral("kind"), kind},
                       {QStringLiteral("slot"), 1},
                       {QStringLiteral("source"), source},
                       {QStringLiteral("first_picture"), at},
                       {QStringLiteral("seconds"), seconds},
                       {QStringLiteral("end"), QStringLiteral("ended")},
                       {QStringLiteral("local"), at}};
}

asrun::Report sample(asrun::Report::Filter filter)
{
    asrun::Report report(std::move(filter));
    // Before the period (its own offset says 30 November), in it, and after it.
    report.add(shown(5, QStringLiteral("Хлеб"), QStringLiteral("2026-11-30T23:59:50.000+03:00"),
                     QStringLiteral("2026-12-01T00:00:02.000+03:00")));
    report.add(shown(5, QStringLiteral("Хлеб"), QStringLiteral("2026-12-01T10:00:00.000+03:00"),
                     QStringLiteral("2026-12-01T10:00:12.500+03:00")));
    report.add(shown(5, QStringLiteral("Хлеб"), QStringLiteral("2026-12-02T10:00:00.000+03:00"),
                     QStringLiteral("2026-12-02T10:00:10.000+03:00")));
    report.add(shown(2, QStringLiteral("Молоко; 1 л, \"Весёлый\""),
                     QStringLiteral("2026-12-02T11:00:00.000+03:00"),
                     QStringLiteral("2026-12-02T11:00:03.250+03:00")));
    report.add(shown(7, QStringLiteral("После"), QStringLiteral("2026-12-03T00:00:01.000+03:00"),
                     QStringLiteral("2026-12-03T00:00:05.000+03:00")));
    report.add(played(QStringLiteral("k"), QStringLiteral("/srv/ролики/реклама.mp4"), 30.5,
                      QStringLiteral("2026-12-01T12:00:00.000+03:00")));
    report.add(played(QStringLiteral("k"), QStringLiteral("/srv/ролики/реклама.mp4"), 29.5,
                      QStringLiteral("2026-12-02T12:00:00.000+03:00")));
    report.add(played(QStringLiteral("w"), QStringLiteral("http://127.0.0.1/news"), 60,
                      QStringLiteral("2026-12-02T13:00:00.000+03:00")));
    report.add(QJsonObject{{QStringLiteral("type"), QStringLiteral("seal")}});
    return report;
}

}  // namespace

// Sums per announcement index and per content file, only of the period (by the moment on screen
// with the station's offset), with the kind and file filters.
TEST(AsrunReport, SumsTheTimesShownAndTheSecondsOfThePeriod)
{
    const asrun::Report all = sample({QDate(2026, 12, 1), QDate(2026, 12, 2), {}, {}});
    ASSERT_EQ(all.announcements().size(), 2);
    EXPECT_EQ(all.announcements()[0].index, QStringLiteral("2"));
    EXPECT_EQ(all.announcements()[0].shown, 1);
    EXPECT_DOUBLE_EQ(all.announcements()[0].seconds, 3.25);
    EXPECT_EQ(all.announcements()[1].index, QStringLiteral("5"));
    EXPECT_EQ(all.announcements()[1].shown, 2);
    EXPECT_DOUBLE_EQ(all.announcements()[1].seconds, 22.5);
    ASSERT_EQ(all.content().size(), 2);
    EXPECT_EQ(all.content()[0].source, QStringLiteral("/srv/ролики/реклама.mp4"));
    EXPECT_EQ(all.content()[0].shown, 2);
    EXPECT_DOUBLE_EQ(all.content()[0].seconds, 60.0);
    EXPECT_TRUE(all.text().contains(QStringLiteral("Хлеб")));

    const asrun::Report clips =
        sample({QDate(2026, 12, 1), QDate(2026, 12, 2), QStringLiteral("k"), {}});
    EXPECT_TRUE(clips.announcements().isEmpty());
    EXPECT_EQ(clips.content().size(), 1);
    const asrun::Report byName =
        sample({QDate(2026, 12, 2), QDate(2026, 12, 2), {}, QStringLiteral("реклама.mp4")});
    ASSERT_EQ(byName.content().size(), 1);
    EXPECT_EQ(byName.content()[0].shown, 1);
    EXPECT_TRUE(byName.announcements().isEmpty());
}

// The CSV a Russian spreadsheet opens: Windows-1251, ";" between fields, CR LF, decimal commas,
// a field with ";" or quotes quoted.
TEST(AsrunReport, CsvIsWindows1251WithSemicolonsCrLfAndDecimalCommas)
{
    const QByteArray csv = sample({QDate(2026, 12, 1), QDate(2026, 12, 2), {}, {}}).csv();
    EXPECT_EQ(csv.count("\r\n"), 5);
    EXPECT_EQ(csv.count('\n'), 5);
    EXPECT_TRUE(csv.startsWith(
        test::cp1251(QStringLiteral("Вид;Номер;Тариф;Текст или файл;Показов;Секунд\r\n"))));
    EXPECT_TRUE(csv.contains(test::cp1251(
                    QStringLiteral("объявление;2;2;\"Молоко; 1 л, \"\"Весёлый\"\"\";1;3,3\r\n"))) ||
                csv.contains(test::cp1251(
                    QStringLiteral("объявление;2;2;\"Молоко; 1 л, \"\"Весёлый\"\"\";1;3,2\r\n"))))
        << csv.toStdString();
    EXPECT_TRUE(csv.contains(test::cp1251(QStringLiteral("объявление;5;2;Хлеб;2;22,5\r\n"))));
    EXPECT_TRUE(
        csv.contains(test::cp1251(QStringLiteral("k;;;/srv/ролики/реклама.mp4;2;60,0\r\n"))));
    // Every byte decodes as Windows-1251 and nothing was replaced.
    EXPECT_FALSE(csv.contains('?'));
    QStringDecoder decoder("windows-1251");
    EXPECT_TRUE(QString(decoder(csv)).contains(QStringLiteral("Весёлый")));
}

// The recorder writes index and tariff as text, a number is read the same; every text that a
// spreadsheet takes for a formula (=, +, -, @, tab, carriage return first) starts with "'".
TEST(AsrunReport, IndexAsTextOrNumberAndNoFormulaInTheCsv)
{
    asrun::Report report({QDate(2026, 12, 1), QDate(2026, 12, 1), {}, {}});
    const QStringList texts{"=1+2", "+7", "-5", "@SUM(A1)", "\tx", "\rx", "5=5"};
    const QStringList fields{"'=1+2;2;4,0", "'+7;1;2,0",      "'-5;1;2,0", "'@SUM(A1);1;2,0",
                             "'\tx;1;2,0",  "\"'\rx\";1;2,0", "5=5;1;2,0"};
    QJsonObject record = shown(10, texts[0], QStringLiteral("2026-12-01T10:00:00.000+03:00"),
                               QStringLiteral("2026-12-01T10:00:02.000+03:00"));
    report.add(record);  // index 10 and tariff 1 as numbers
    for (int i = 0; i < texts.size(); ++i) {
        record.insert(QStringLiteral("index"), QString::number(10 + i));
        record.insert(QStringLiteral("tariff"), QStringLiteral("1"));
        record.insert(QStringLiteral("text"), texts[i]);
        report.add(record);
        EXPECT_TRUE(report.csv().contains(
            test::cp1251(QStringLiteral("\r\nобъявление;%1;1;%2\r\n").arg(10 + i).arg(fields[i]))))
            << i << ": " << report.csv().toStdString();
    }
}
