#pragma once

#include <QObject>
#include <QString>

#include "ticker/blockedits.h"

class QProgressBar;
class QWidget;
class QTableView;

namespace velumo {

class BlockListDelegate;
class BlockTableModel;
class DialogSpec;
class SettingsWindow;
class TickerBlock;

// The ticker text page: the block as one table (index, tariff, icon code, text; a row per
// announcement, the one on air marked), the open and save buttons and the progress bar.
// The table is a view over the block: a cell edit goes straight into its own list.
class TickerTextPage final : public QObject, public BlockEdits {
    Q_OBJECT
public:
    TickerTextPage(SettingsWindow& window, TickerBlock& block, QString initialFolder);

    QTableView* table() const { return m_table; }
    // The widget whose font face follows the ticker text font (SCEdit6): the table.
    QWidget* textList() const;
    BlockTableModel* model() const { return m_model; }
    void setInitialFolder(const QString& folder) { m_folder = folder; }
    void setProgress(qsizetype position, qsizetype maximum);
    // A cell being edited reaches the block now.
    void flushEdits() override;
    // Marks the announcement on air (-1: none) and keeps it in view while the operator has not
    // scrolled away from it.
    void showOnAir(int line);

signals:
    void openChosen(const QString& path);
    void saveChosen(const QString& path);

private:
    // What the table's own events ask: the row on air in view when it shows, rows as tall as
    // its font.
    bool tableEvent(QEvent* event);
    bool rowInView(int row) const;
    void scrollToOnAir();
    void insertRow(bool atEnd);
    void removeSelectedRows();
    void chooseOpen();
    void chooseSave();

    SettingsWindow& m_window;
    TickerBlock& m_block;
    QString m_folder;
    BlockTableModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    BlockListDelegate* m_delegates[3] = {};
    QProgressBar* m_progress = nullptr;
    DialogSpec* m_openDialog = nullptr;
    DialogSpec* m_saveDialog = nullptr;
};

}  // namespace velumo
