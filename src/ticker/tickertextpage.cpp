#include "tickertextpage.h"

#include <algorithm>

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>

#include "base/guard.h"
#include "base/pageschema.h"
#include "ticker/blocklistdelegate.h"
#include "ticker/blocktablemodel.h"
#include "ticker/tickerblock.h"
#include "ui/dialogspec.h"
#include "ui/mainpagebar.h"
#include "ui/settingswindow.h"

namespace velumo {

TickerTextPage::TickerTextPage(SettingsWindow& window, TickerBlock& block, QString initialFolder)
    : QObject(&window), m_window(window), m_block(block), m_folder(std::move(initialFolder))
{
    QGroupBox* box = window.group(groupid::Block);
    auto* form = static_cast<QFormLayout*>(box->layout());

    auto* buttons = new QHBoxLayout();
    auto* open = new QPushButton(QStringLiteral("Открыть…"), box);
    open->setObjectName(QStringLiteral("SCButton1"));
    open->setToolTip(QStringLiteral("Открыть файл"));
    auto* save = new QPushButton(QStringLiteral("Сохранить…"), box);
    save->setObjectName(QStringLiteral("SCButton2"));
    save->setToolTip(QStringLiteral("Сохранить файл строки"));
    m_progress = new QProgressBar(box);
    m_progress->setObjectName(QStringLiteral("pb1"));
    m_progress->setValue(0);
    buttons->addWidget(open);
    buttons->addWidget(save);
    buttons->addWidget(m_progress, 1);
    form->addRow(buttons);
    window.addComponent(open, ComponentClass::Button);
    window.addComponent(save, ComponentClass::Button);
    window.addComponent(m_progress, ComponentClass::Other);

    // The counters of the three lists stand in a row of their own group; the row's caption
    // goes in front of them.
    QGroupBox* counters = window.group(groupid::BlockCounters);
    auto* caption = new QLabel(QStringLiteral("Количество строк в блоке"), counters);
    caption->setObjectName(QStringLiteral("Label91"));
    window.addComponent(caption, ComponentClass::Label);
    if (QHBoxLayout* row = mainpagebar::counterRow(counters))
        row->insertWidget(0, caption);
    else
        static_cast<QFormLayout*>(counters->layout())->insertRow(0, caption);

    m_model = new BlockTableModel(m_block, this);
    m_table = new QTableView(box);
    m_table->setObjectName(QStringLiteral("BlockTable"));
    m_table->setModel(m_model);
    m_table->setWordWrap(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_table->setMinimumHeight(380);
    // Rows of one height and no measuring of contents: a block of any length opens at once.
    QHeaderView* rows = m_table->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    QHeaderView* columns = m_table->horizontalHeader();
    columns->setStretchLastSection(true);
    columns->setHighlightSections(false);
    const int digitPx = m_table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    m_table->setColumnWidth(BlockTableModel::IndexColumn, digitPx * 9);
    m_table->setColumnWidth(BlockTableModel::TariffColumn, digitPx * 7);
    m_table->setColumnWidth(BlockTableModel::IconColumn, digitPx * 8);
    form->addRow(m_table);

    // The three lists keep their names: each has the delegate that edits its cells.
    m_delegates[0] = new BlockListDelegate(QStringLiteral("Memoindex"), m_table);
    m_delegates[1] = new BlockListDelegate(QStringLiteral("Memotarif"), m_table);
    m_delegates[2] = new BlockListDelegate(QStringLiteral("Memo1"), m_table);
    m_table->setItemDelegateForColumn(BlockTableModel::IndexColumn, m_delegates[0]);
    m_table->setItemDelegateForColumn(BlockTableModel::TariffColumn, m_delegates[1]);
    m_table->setItemDelegateForColumn(BlockTableModel::IconColumn, m_delegates[2]);
    m_table->setItemDelegateForColumn(BlockTableModel::TextColumn, m_delegates[2]);
    for (BlockListDelegate* list : m_delegates)
        window.addComponent(list, ComponentClass::Other);

    // Announcements are inserted and removed across the three lists at once.
    auto* insert = new QAction(QStringLiteral("Вставить строку"), m_table);
    insert->setShortcut(QKeySequence(Qt::Key_Insert));
    auto* append = new QAction(QStringLiteral("Добавить строку в конец"), m_table);
    auto* remove = new QAction(QStringLiteral("Удалить строки"), m_table);
    remove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    for (QAction* action : {insert, append, remove}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        m_table->addAction(action);
    }
    m_table->setContextMenuPolicy(Qt::ActionsContextMenu);
    connectGuarded(insert, &QAction::triggered, this,
                   Origin::byOperator(QStringLiteral("tickertextpage")),
                   [this] { insertRow(false); });
    connectGuarded(append, &QAction::triggered, this,
                   Origin::byOperator(QStringLiteral("tickertextpage")),
                   [this] { insertRow(true); });
    connectGuarded(remove, &QAction::triggered, this,
                   Origin::byOperator(QStringLiteral("tickertextpage")),
                   &TickerTextPage::removeSelectedRows);

    m_openDialog =
        new DialogSpec(QStringLiteral("OpenDialog1"),
                       QStringLiteral("Строковые файлы (*.str)|*.str|Tекст (*.txt)|*.txt|Все|*.*"),
                       QStringLiteral("Открыть файл строки"), this);
    m_saveDialog = new DialogSpec(QStringLiteral("SaveDialog1"),
                                  QStringLiteral("Строковые файлы(str)|*.str|Все|*.*"),
                                  QStringLiteral("Сохранить файл строки"), this);
    m_saveDialog->defaultSuffix = QStringLiteral("txt");
    window.addComponent(m_openDialog, ComponentClass::Dialog);
    window.addComponent(m_saveDialog, ComponentClass::Dialog);

    filterEventsGuarded(m_table, Origin::byOperator(QStringLiteral("tickertext")),
                        [this](QEvent* event) { return tableEvent(event); });
    // Loading hides the table and shows it again when it has finished; a failed load leaves
    // it hidden until the next load.
    connectGuarded(&m_block, &TickerBlock::loading, m_table,
                   Origin::unattended(QStringLiteral("tickertextpage")),
                   [this](bool busy) { m_table->setVisible(!busy); });
    connectGuarded(open, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("tickertextpage")),
                   &TickerTextPage::chooseOpen);
    connectGuarded(save, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("tickertextpage")),
                   &TickerTextPage::chooseSave);
}

QWidget* TickerTextPage::textList() const
{
    return m_table;
}

void TickerTextPage::setProgress(qsizetype position, qsizetype maximum)
{
    m_progress->setMaximum(int(qMin<qsizetype>(maximum, INT_MAX)));
    m_progress->setValue(int(qMin<qsizetype>(position, INT_MAX)));
}

void TickerTextPage::flushEdits()
{
    for (BlockListDelegate* list : m_delegates)
        list->commitOpenEditor();
}

bool TickerTextPage::rowInView(int row) const
{
    if (row < 0 || row >= m_model->rowCount())
        return false;
    const QRect rect = m_table->visualRect(m_model->index(row, 0));
    return rect.isValid() && rect.bottom() >= 0 && rect.top() < m_table->viewport()->height();
}

void TickerTextPage::scrollToOnAir()
{
    const int row = m_model->onAirRow();
    if (row >= 0 && row < m_model->rowCount())
        m_table->scrollTo(m_model->index(row, BlockTableModel::TextColumn),
                          QAbstractItemView::EnsureVisible);
}

void TickerTextPage::showOnAir(int line)
{
    const int previous = m_model->onAirRow();
    // The mark is followed unless the operator has scrolled away from it or edits a cell.
    const bool follow = previous < 0 || rowInView(previous);
    m_model->setOnAirRow(line);
    const bool editing = std::any_of(std::begin(m_delegates), std::end(m_delegates),
                                     [](const BlockListDelegate* list) { return list->editing(); });
    if (follow && !editing && m_table->isVisible())
        scrollToOnAir();
}

bool TickerTextPage::tableEvent(QEvent* event)
{
    if (event->type() == QEvent::Show)
        singleShotGuarded(0, m_table, Origin::byOperator(QStringLiteral("tickertext")),
                          [this] { scrollToOnAir(); });
    // The rows follow the table's font (its face is the ticker text font).
    if (event->type() == QEvent::FontChange)
        m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    return false;
}

void TickerTextPage::insertRow(bool atEnd)
{
    const QModelIndex current = m_table->currentIndex();
    const int row = atEnd || !current.isValid() ? m_model->rowCount() : current.row();
    if (m_model->insertRows(row, 1))
        m_table->setCurrentIndex(m_model->index(
            row, current.isValid() ? current.column() : BlockTableModel::TextColumn));
}

void TickerTextPage::removeSelectedRows()
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedIndexes())
        rows.append(index.row());
    if (rows.isEmpty() && m_table->currentIndex().isValid())
        rows.append(m_table->currentIndex().row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the last to the first, so the rows still to go keep their numbers.
    for (qsizetype i = rows.size(); i > 0;) {
        qsizetype first = --i;
        while (first > 0 && rows[first - 1] == rows[first] - 1)
            --first;
        m_model->removeRows(rows[first], rows[i] - rows[first] + 1);
        i = first;
    }
}

void TickerTextPage::chooseOpen()
{
    const QString path = QFileDialog::getOpenFileName(&m_window, m_openDialog->title, m_folder,
                                                      m_openDialog->qtFilter());
    if (!path.isEmpty())
        emit openChosen(path);
}

void TickerTextPage::chooseSave()
{
    QFileDialog dialog(&m_window, m_saveDialog->title, m_folder, m_saveDialog->qtFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(m_saveDialog->defaultSuffix);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        emit saveChosen(dialog.selectedFiles().first());
}

}  // namespace velumo
