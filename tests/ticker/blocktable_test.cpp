#include <gtest/gtest.h>

#include <QAction>
#include <QFont>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest/QTest>

#include "base/settingskeys.h"
#include "ticker/blocktablemodel.h"
#include "ticker/tickerrig.h"
#include "ticker/tickertextpage.h"
#include "ui/settingswindow.h"

namespace velumo::test {
namespace {

using Col = BlockTableModel::Column;

// The ticker text page over a block, and the engine that puts the block on air.
class BlockTableTest : public ::testing::Test, protected TickerRig {
protected:
    BlockTableTest()
    {
        settings.setText(key::SCEdit6, QStringLiteral("DejaVu Sans"));
        QObject::connect(&engine, &TickerEngine::onAirLineChanged, page,
                         &TickerTextPage::showOnAir);
        window.resize(1280, 720);
        window.show();
        table = page->table();
        model = page->model();
    }

    QString cell(int row, int column) const
    {
        return model->data(model->index(row, column)).toString();
    }
    bool marked(int row, int column) const
    {
        return model->data(model->index(row, column), Qt::BackgroundRole).value<QColor>() ==
               BlockTableModel::missingColour();
    }
    bool bold(int row) const
    {
        return model->data(model->index(row, Col::TextColumn), Qt::FontRole).value<QFont>().bold();
    }
    bool inView(int row) const
    {
        const QRect rect = table->visualRect(model->index(row, 0));
        return rect.isValid() && rect.top() >= 0 && rect.bottom() <= table->viewport()->height();
    }
    void setNumbered(int rows)
    {
        QStringList text, tariff, index;
        for (int i = 0; i < rows; ++i) {
            text.append(QStringLiteral("%1Объявление %2").arg(i % 10).arg(i));
            tariff.append(QString::number(i % 10));
            index.append(QString::number(i + 1));
        }
        block.setLists(text, tariff, index);
    }
    // Runs the strip until the announcement of the line is on air.
    void runUntilOnAir(int line)
    {
        for (int frame = 0; frame < 100000 && engine.onAirLine() != line; ++frame)
            timers.advance(TickerEngine::kFrameMs);
    }
    QLineEdit* openEditor() const
    {
        for (QLineEdit* editor : table->viewport()->findChildren<QLineEdit*>())
            if (editor->isVisible())
                return editor;
        return nullptr;
    }
    // An edit as the operator makes it: open the cell, type, press Enter.
    void type(int row, int column, const QString& text)
    {
        const QModelIndex index = model->index(row, column);
        table->setCurrentIndex(index);
        table->edit(index);
        QLineEdit* editor = openEditor();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        if (text.isEmpty())
            QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();  // the view commits the editor on its next turn
    }

    SettingsWindow window{settings};
    TickerTextPage* page = new TickerTextPage(window, block, QStringLiteral("/tmp"));
    QTableView* table = nullptr;
    BlockTableModel* model = nullptr;
};

TEST_F(BlockTableTest, OneTableScrollsTheThreeListsTogether)
{
    setNumbered(500);
    QCoreApplication::processEvents();
    // One view with one scroll bar; the lists keep their names as the table's column editors.
    int scrollBars = 0;
    for (const QScrollBar* bar : table->parentWidget()->findChildren<QScrollBar*>())
        scrollBars += bar->isVisible() && bar->orientation() == Qt::Vertical;
    EXPECT_EQ(scrollBars, 1);
    EXPECT_TRUE(window.findChildren<QPlainTextEdit*>(QRegularExpression("^Memo")).isEmpty());
    EXPECT_EQ(table->itemDelegateForColumn(Col::IndexColumn)->objectName(), "Memoindex");
    EXPECT_EQ(table->itemDelegateForColumn(Col::TariffColumn)->objectName(), "Memotarif");
    EXPECT_EQ(table->itemDelegateForColumn(Col::IconColumn)->objectName(), "Memo1");
    EXPECT_EQ(table->itemDelegateForColumn(Col::TextColumn)->objectName(), "Memo1");
    EXPECT_EQ(model->headerData(Col::IndexColumn, Qt::Horizontal).toString(), "индекс");
    EXPECT_EQ(model->headerData(Col::TariffColumn, Qt::Horizontal).toString(), "тариф");
    EXPECT_EQ(model->headerData(Col::TextColumn, Qt::Horizontal).toString(), "текст");
    ASSERT_EQ(model->rowCount(), 500);

    QScrollBar* bar = table->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 400);
    for (const int value : {0, 233, bar->maximum()}) {
        bar->setValue(value);
        QCoreApplication::processEvents();
        // Every column shows the same row at the top of the view: row N shows index N,
        // tariff N, icon code N and text N.
        const int top = table->rowAt(1);
        ASSERT_GE(top, 0);
        for (int column = 0; column < Col::ColumnCount; ++column)
            EXPECT_EQ(table->indexAt(QPoint(table->columnViewportPosition(column) + 2, 1)).row(),
                      top);
        EXPECT_EQ(cell(top, Col::IndexColumn), QString::number(top + 1));
        EXPECT_EQ(cell(top, Col::TariffColumn), QString::number(top % 10));
        EXPECT_EQ(cell(top, Col::IconColumn), QString::number(top % 10));
        EXPECT_EQ(cell(top, Col::TextColumn), QStringLiteral("Объявление %1").arg(top));
    }
    EXPECT_EQ(table->rowAt(table->viewport()->height() - 2), 499);
}

TEST_F(BlockTableTest, MarksTheAnnouncementOnAirAndFollowsIt)
{
    settings.setText(key::SCEdit77, QStringLiteral("20"));
    settings.setSpin(key::SpinEdit1, 1);
    settings.setSpin(key::SpinEdit2, 40);
    setNumbered(300);
    EXPECT_EQ(model->onAirRow(), -1);
    engine.BitBtn2Click();
    ASSERT_EQ(engine.onAirLine(), 0);
    EXPECT_TRUE(bold(0));
    EXPECT_EQ(model->data(model->index(0, Col::IndexColumn), Qt::BackgroundRole).value<QColor>(),
              BlockTableModel::onAirColour());
    EXPECT_FALSE(bold(1));

    runUntilOnAir(1);
    EXPECT_FALSE(bold(0));
    EXPECT_TRUE(bold(1));
    // Far down the block the mark is still in view.
    runUntilOnAir(120);
    EXPECT_EQ(model->onAirRow(), 120);
    EXPECT_TRUE(inView(120));
    EXPECT_FALSE(inView(0));

    // Scrolled away by the operator, the view stays where it was put.
    table->scrollToTop();
    runUntilOnAir(125);
    EXPECT_TRUE(inView(0));
    EXPECT_TRUE(bold(125));

    engine.StopTicker();
    EXPECT_EQ(model->onAirRow(), -1);
    EXPECT_FALSE(bold(125));

    // A block replaced under the strip loses the mark until its own announcement is on air,
    // even when that has the same line number.
    block.setLists({"0Одна"}, {"0"}, {"1"});
    engine.ContinueTicker();
    runUntilOnAir(0);
    EXPECT_TRUE(bold(0));
    QSignalSpy prepared(&engine, &TickerEngine::onAirLineChanged);
    block.setLists({"0Другая"}, {"0"}, {"1"});
    EXPECT_FALSE(bold(0));
    for (int frame = 0; frame < 10000 && prepared.isEmpty(); ++frame)
        timers.advance(TickerEngine::kFrameMs);
    EXPECT_TRUE(bold(0));
}

TEST_F(BlockTableTest, EditingACellChangesExactlyThatList)
{
    block.setLists({"1a", "2b", ""}, {"0", "1", "2"}, {"1", "2", "3"});
    page->flushEdits();  // nothing edited: the block stays as it is
    EXPECT_EQ(block.text(), (QStringList{"1a", "2b", ""}));

    type(1, Col::TariffColumn, "7");
    EXPECT_EQ(block.tariff(), (QStringList{"0", "7", "2"}));
    EXPECT_EQ(block.text(), (QStringList{"1a", "2b", ""}));
    EXPECT_EQ(block.index(), (QStringList{"1", "2", "3"}));

    type(2, Col::IndexColumn, "30");
    EXPECT_EQ(block.index(), (QStringList{"1", "2", "30"}));
    EXPECT_EQ(block.tariff(), (QStringList{"0", "7", "2"}));

    // The icon code and the text are two cells of one text line.
    type(0, Col::IconColumn, "5");
    type(1, Col::TextColumn, "xyz");
    EXPECT_EQ(block.text(), (QStringList{"5a", "2xyz", ""}));
    // A text typed into an empty line gets the default code, so its first letter stays text.
    type(2, Col::TextColumn, "new");
    EXPECT_EQ(block.text(), (QStringList{"5a", "2xyz", " new"}));
    type(0, Col::IconColumn, "");
    EXPECT_EQ(block.text(), (QStringList{" a", "2xyz", " new"}));
    EXPECT_EQ(block.tariff(), (QStringList{"0", "7", "2"}));
    EXPECT_EQ(block.index(), (QStringList{"1", "2", "30"}));

    // A cell still open in its editor reaches the block when the block is read as a whole.
    const QModelIndex index = model->index(0, Col::TariffColumn);
    table->setCurrentIndex(index);
    table->edit(index);
    QLineEdit* editor = openEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("9");
    page->flushEdits();
    EXPECT_EQ(block.tariff(), (QStringList{"9", "7", "2"}));
}

TEST_F(BlockTableTest, ListsOfUnequalLengthShowTheirMissingCellsEmptyAndMarked)
{
    block.setLists({"0a", "0b", "0c"}, {"1"}, {"1", "2"});
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_FALSE(marked(0, Col::TariffColumn));
    EXPECT_TRUE(marked(1, Col::TariffColumn));
    EXPECT_TRUE(marked(2, Col::TariffColumn));
    EXPECT_TRUE(marked(2, Col::IndexColumn));
    EXPECT_FALSE(marked(1, Col::IndexColumn));
    EXPECT_FALSE(marked(2, Col::TextColumn));
    EXPECT_FALSE(model->data(model->index(2, Col::IndexColumn)).isValid());

    // Typing into a missing cell fills its list up to there; the other lists stay.
    type(2, Col::TariffColumn, "9");
    EXPECT_EQ(block.tariff(), (QStringList{"1", "", "9"}));
    EXPECT_EQ(block.index(), (QStringList{"1", "2"}));
    EXPECT_FALSE(marked(1, Col::TariffColumn));
    EXPECT_TRUE(marked(2, Col::IndexColumn));
    // The counters above the table follow the lists the operator changed.
    EXPECT_EQ(settings.text(key::SCEdit15), "3");
    EXPECT_EQ(settings.text(key::SCEdit14), "2");

    // Rows removed and inserted take each list along as far as it reaches.
    ASSERT_TRUE(model->removeRows(2, 1));
    EXPECT_EQ(block.text(), (QStringList{"0a", "0b"}));
    EXPECT_EQ(block.tariff(), (QStringList{"1", ""}));
    EXPECT_EQ(block.index(), (QStringList{"1", "2"}));
    block.setLists({"0a", "0b", "0c"}, {"1"}, {"1", "2"});
    ASSERT_TRUE(model->insertRows(1, 1));
    EXPECT_EQ(block.text(), (QStringList{"0a", "", "0b", "0c"}));
    EXPECT_EQ(block.tariff(), (QStringList{"1", ""}));
    EXPECT_EQ(block.index(), (QStringList{"1", "", "2"}));
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_TRUE(marked(3, Col::IndexColumn));
    EXPECT_EQ(settings.text(key::SCEdit12), "4");
    EXPECT_EQ(settings.text(key::SCEdit14), "3");
}

TEST_F(BlockTableTest, TheMenuInsertsAndRemovesAnnouncementsInTheThreeLists)
{
    block.setLists({"0a", "0b", "0c", "0d", "0e"}, {"1", "2", "3", "4", "5"}, {"1", "2", "3"});
    const QList<QAction*> actions = table->actions();
    ASSERT_EQ(actions.size(), 3);
    QAction* insert = actions[0];
    QAction* append = actions[1];
    QAction* remove = actions[2];
    EXPECT_EQ(insert->text(), "Вставить строку");

    table->setCurrentIndex(model->index(1, Col::TextColumn));
    insert->trigger();
    EXPECT_EQ(block.text(), (QStringList{"0a", "", "0b", "0c", "0d", "0e"}));
    EXPECT_EQ(block.tariff(), (QStringList{"1", "", "2", "3", "4", "5"}));
    EXPECT_EQ(block.index(), (QStringList{"1", "", "2", "3"}));
    // Appended to the lists that reach the end; the short index list stays short.
    append->trigger();
    EXPECT_EQ(block.text().size(), 7);
    EXPECT_EQ(block.tariff().size(), 7);
    EXPECT_EQ(block.index().size(), 4);

    // Two separate rows selected: both go, each from the lists that hold it.
    table->clearSelection();
    table->selectionModel()->select(model->index(0, Col::TextColumn), QItemSelectionModel::Select);
    table->selectionModel()->select(model->index(4, Col::IndexColumn), QItemSelectionModel::Select);
    table->selectionModel()->select(model->index(5, Col::TextColumn), QItemSelectionModel::Select);
    remove->trigger();
    EXPECT_EQ(block.text(), (QStringList{"", "0b", "0c", ""}));
    EXPECT_EQ(block.tariff(), (QStringList{"", "2", "3", ""}));
    EXPECT_EQ(block.index(), (QStringList{"", "2", "3"}));
}

}  // namespace
}  // namespace velumo::test
