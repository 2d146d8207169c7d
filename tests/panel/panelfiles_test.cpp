// The control panel's files without a window: the phrase list panel.txt, the declared component
// list behind panel_lang.cfg, the list model views show them through, and where a first start puts
// the panel.
#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "base/failure.h"
#include "base/textfile.h"
#include "base/translationfile.h"
#include "fakes/testsupport.h"
#include "panel/panelcomponents.h"
#include "panel/panelphrases.h"
#include "panel/panelplacement.h"
#include "panel/phraselistmodel.h"

namespace velumo {
namespace {

class PhraseFile : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QString::fromLatin1(PanelPhrases::kFileName)); }
    QTemporaryDir dir;
    PanelPhrases phrases;
};

TEST_F(PhraseFile, RoundTripKeepsEveryPhraseInWindows1251WithCrLf)
{
    const QString longPhrase(10'000, QChar(u'Ж'));
    test::writeAll(path(), test::cp1251(QStringLiteral("Первая\r\n\r\nТретья  с блоками \r\n")));
    phrases.load(path());
    EXPECT_EQ(phrases.phrases(), (QStringList{"Первая", "", "Третья  с блоками "}));
    phrases.add(longPhrase);
    phrases.add(QStringLiteral("две\r\nстроки\nв одной"));
    ASSERT_TRUE(phrases.save(path()));
    EXPECT_EQ(test::readAll(path()), test::cp1251("Первая\r\n\r\nТретья  с блоками \r\n" +
                                                  longPhrase + "\r\nдве  строки в одной\r\n"));
    PanelPhrases again;
    again.load(path());
    EXPECT_EQ(again.phrases(), phrases.phrases());
    EXPECT_EQ(again.at(3).size(), 10'000);
}

TEST_F(PhraseFile, MissingFileStartsWithTheNewVersionLineAndReportsNothing)
{
    EXPECT_NO_THROW(phrases.load(path()));
    EXPECT_EQ(phrases.phrases(), QStringList{"Вышла новая версия Velumo7!!"});
    // The empty list of an empty file is not the first start.
    test::writeAll(path(), QByteArray());
    phrases.load(path());
    EXPECT_TRUE(phrases.phrases().isEmpty());
}

TEST_F(PhraseFile, LoneCrAndLfEndLinesToo)
{
    test::writeAll(path(), QByteArray("one\rtwo\nthree\r\n\rfive"));
    phrases.load(path());
    EXPECT_EQ(phrases.phrases(), (QStringList{"one", "two", "three", "", "five"}));
}

TEST_F(PhraseFile, BinaryContentComesBackByteForByte)
{
    QByteArray line;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            line.append(char(b));
    const QByteArray bytes = line + "\r\n" + line + "\r\n";
    test::writeAll(path(), bytes);
    phrases.load(path());
    ASSERT_EQ(phrases.size(), 2);
    phrases.save(path());
    EXPECT_EQ(test::readAll(path()), bytes);
}

TEST_F(PhraseFile, HugeListLoadsAndSavesQuickly)
{
    QByteArray bytes;
    for (int i = 0; i < 100'000; ++i)
        bytes += "Фраза номер " + QByteArray::number(i) + "\r\n";
    test::writeAll(path(), test::cp1251(QString::fromUtf8(bytes)));
    QElapsedTimer timer;
    timer.start();
    phrases.load(path());
    phrases.save(path());
    EXPECT_EQ(phrases.size(), 100'000);
    EXPECT_EQ(phrases.at(99'999), "Фраза номер 99999");
    EXPECT_LT(timer.elapsed(), 3000);
}

TEST_F(PhraseFile, AnUnreadableFileIsReportedAndNeverOverwritten)
{
    // A folder in the file's place cannot be read as a list (nor, as root, can anything be
    // made unreadable by its mode).
    ASSERT_TRUE(QDir(dir.path()).mkdir(PanelPhrases::kFileName));
    EXPECT_THROW(phrases.load(path()), Failure);
    EXPECT_TRUE(phrases.phrases().isEmpty());
    phrases.add(QStringLiteral("новая"));
    EXPECT_FALSE(phrases.save(path()));
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

TEST_F(PhraseFile, RemoveOutsideTheListChangesNothing)
{
    phrases.load(path());
    EXPECT_FALSE(phrases.remove(-1));
    EXPECT_FALSE(phrases.remove(1));
    EXPECT_EQ(phrases.size(), 1);
    EXPECT_TRUE(phrases.remove(0));
    EXPECT_EQ(phrases.size(), 0);
}

// Translation files of earlier versions must fit: the 39 lines are pinned.
// The list model over the phrases: views see every change as rows inserted, removed or reset,
// and the model keeps to the rules of a list model throughout (QAbstractItemModelTester).
TEST_F(PhraseFile, TheListModelFollowsEveryChangeOfThePhrases)
{
    test::writeAll(path(), test::cp1251(QStringLiteral("один\r\nдва\r\n")));
    phrases.load(path());
    PhraseListModel model(phrases);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(1)).toString(), "два");
    EXPECT_FALSE(model.data(model.index(1), Qt::DecorationRole).isValid());

    model.add(QStringLiteral("три\r\nстроки"));  // one line, each break a blank
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 2);
    EXPECT_EQ(model.data(model.index(2)).toString(), "три  строки");
    EXPECT_EQ(phrases.size(), 3);

    // Outside the list, twice in a row and on an empty list: nothing changes, nothing is said.
    EXPECT_FALSE(model.remove(3));
    EXPECT_FALSE(model.remove(-1));
    EXPECT_TRUE(removed.isEmpty());
    EXPECT_TRUE(model.remove(0));
    EXPECT_TRUE(model.remove(0));
    ASSERT_EQ(removed.size(), 2);
    EXPECT_EQ(phrases.phrases(), QStringList{"три  строки"});
    EXPECT_TRUE(model.remove(0));
    EXPECT_FALSE(model.remove(0));
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.data(model.index(0)).isValid());

    // Loaded anew: the views start over.
    phrases.load(path());
    model.reload();
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(model.rowCount(), 2);
    ASSERT_TRUE(phrases.save(path()));
    EXPECT_EQ(test::readAll(path()), test::cp1251("один\r\nдва\r\n"));
}

TEST(PanelTranslation, DesignTextsWriteTheGoldenFile)
{
    const QList<UiComponent> design = panelcomponents::design();
    ASSERT_EQ(design.size(), 39);
    EXPECT_EQ(design.constLast().name, "N2");
    EXPECT_EQ(design.constFirst().name, "Label1");
    const QString golden =
        qEnvironmentVariable("VELUMO_SOURCE_DIR") + "/tests/panel/golden/panel_lang.cfg";
    QTemporaryDir dir;
    const QString written = dir.filePath("panel_lang.cfg");
    writeTextLines(written, translationfile::write(design));
    const QList<QByteArray> expected = test::readAll(golden).split('\n');
    const QList<QByteArray> actual = test::readAll(written).split('\n');
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(actual[i], expected[i]) << "panel_lang.cfg line " << i + 1;
}

TEST(PanelTranslation, ReadingAppliesLinesByClassFromTheLastComponent)
{
    struct Case {
        const char* what;
        QStringList lines;
        const char* component;
        QString caption;
        QString hint;
    };
    QStringList edited = translationfile::write(panelcomponents::design());
    edited[27] = QStringLiteral("В строку|Подсказка|с чертой");  // SCButton1
    edited[24] = QStringLiteral("Только подсказка");             // SCButton5, no "|"
    edited[0] = QStringLiteral("ignored");                       // N2: no text of its own
    edited.append(QStringLiteral("лишняя строка"));
    const Case cases[] = {
        {"edited button", edited, "SCButton1", "В строку", "Подсказка|с чертой"},
        {"line without bar", edited, "SCButton5", "", "Только подсказка"},
        {"label", edited, "Label1", "Диспетчер запущен!", ""},
        {"edit", edited, "scEdit1", "", "Поле набора строки для ввода в перечень"},
        {"short file", edited.mid(0, 5), "SCEdit2", "", ""},
        {"short file, button", edited.mid(0, 5), "SCButton43", "", ""},
        {"short file, read part", edited.mid(0, 5), "SCEdit4", "",
         QString::fromUtf8(panelcomponents::kClipStopHint)},
        {"binary", {QString::fromLatin1("\x01\x02|\xff", 4)}, "N2", "", ""},
    };
    for (const Case& c : cases) {
        QList<UiComponent> components = panelcomponents::design();
        translationfile::read(c.lines, components);
        const auto it = std::find_if(components.cbegin(), components.cend(),
                                     [&](const UiComponent& u) { return u.name == c.component; });
        ASSERT_NE(it, components.cend()) << c.what;
        EXPECT_EQ(it->caption, c.caption) << c.what;
        EXPECT_EQ(it->hint, c.hint) << c.what;
    }
    // Unchanged texts read back unchanged.
    QList<UiComponent> components = panelcomponents::design();
    translationfile::read(translationfile::write(components), components);
    EXPECT_EQ(translationfile::write(components),
              translationfile::write(panelcomponents::design()));
}

TEST(PanelPlacement, FirstStartKeepsClearOfTheStripAndTheMainWindow)
{
    const QRect screen(0, 0, 1280, 720);
    const QSize panel(591, 341);
    struct Case {
        const char* what;
        QRect strip;
        QList<QRect> others;
        QPoint expected;
    };
    const Case cases[] = {
        {"nothing in the way", QRect(0, 0, 10, 10), {}, QPoint(689, 379)},
        {"strip at the bottom", QRect(0, 650, 1280, 60), {}, QPoint(689, 0)},
        {"strip at the bottom, main window top right",
         QRect(0, 650, 1280, 60),
         {QRect(600, 0, 680, 500)},
         QPoint(0, 0)},
        {"main window everywhere: at least off the strip",
         QRect(600, 400, 400, 50),
         {QRect(0, 0, 1280, 720)},
         QPoint(0, 379)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(firstPanelPosition(screen, panel, c.strip, c.others), c.expected) << c.what;
    // A screen smaller than the panel: its top left corner.
    EXPECT_EQ(firstPanelPosition(QRect(0, 0, 400, 300), panel, QRect(), {}), QPoint(0, 0));
}

TEST(PanelPlacement, FirstStartPutsTheMainWindowBesideThePanelAndOffTheStrip)
{
    const QSize preferred(1120, 780);
    const QSize panel(591, 341);
    const QSize minimum(660, 420);
    // Full HD, strip at the bottom: the preferred width fits beside the panel, above the strip.
    const QRect hd(0, 0, 1920, 1080);
    const QRect hdStrip(0, 960, 1920, 64);
    const QRect main = firstMainWindowGeometry(hd, preferred, hdStrip, panel, minimum);
    EXPECT_EQ(main, QRect(0, 0, 1120, 780));
    EXPECT_FALSE(main.intersects(hdStrip));
    const QRect placedPanel(firstPanelPosition(hd, panel, hdStrip, {main}), panel);
    EXPECT_FALSE(placedPanel.intersects(main));
    EXPECT_FALSE(placedPanel.intersects(hdStrip));

    // 1280x720: the window narrows to leave the panel its room and ends above the strip.
    const QRect small(0, 0, 1280, 720);
    const QRect smallStrip(0, 600, 1280, 64);
    const QRect narrow = firstMainWindowGeometry(small, preferred, smallStrip, panel, minimum);
    EXPECT_EQ(narrow, QRect(0, 0, 681, 600));
    const QRect besidePanel(firstPanelPosition(small, panel, smallStrip, {narrow}), panel);
    EXPECT_FALSE(besidePanel.intersects(narrow));
    EXPECT_FALSE(besidePanel.intersects(smallStrip));

    // A strip at the top: the window goes below it.
    EXPECT_EQ(firstMainWindowGeometry(hd, preferred, QRect(0, 0, 1920, 64), panel, minimum),
              QRect(0, 64, 1120, 780));
    // No band tall enough, a screen too narrow to share: the screen's top left, cut to it.
    EXPECT_EQ(firstMainWindowGeometry(QRect(0, 0, 1024, 600), preferred, QRect(0, 300, 1024, 64),
                                      panel, minimum),
              QRect(0, 0, 1024, 600));
}

}  // namespace
}  // namespace velumo
