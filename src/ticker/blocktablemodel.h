#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "ticker/tickerblock.h"

namespace velumo {

// The block as one table, a row per announcement: index, tariff, icon code and text. The icon
// code and the text are the first character and the rest of one text line. The three lists stay
// three lists in the block: a cell edit changes its own list only, and a list shorter than the
// others shows its missing cells empty and tinted. The table holds no copy of the lines, so a
// block of any length is shown at once.
class BlockTableModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { IndexColumn, TariffColumn, IconColumn, TextColumn, ColumnCount };

    explicit BlockTableModel(TickerBlock& block, QObject* parent = nullptr);

    static BlockList listOf(int column);
    // Tints of a missing cell and of the announcement on air.
    static QColor missingColour();
    static QColor onAirColour();

    // The row of the announcement on air, -1 for none; a block replaced under it clears it.
    int onAirRow() const { return m_onAirRow; }
    void setOnAirRow(int row);
    // Whether the list of the cell reaches its row.
    bool present(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

private:
    QString cellText(int row, int column) const;
    void blockChanged();
    void linesChanged(BlockList list, qsizetype first, qsizetype last);
    void rowChanged(int row);

    TickerBlock& m_block;
    int m_rows = 0;
    int m_onAirRow = -1;
    bool m_ownChange = false;  // a change this model makes and announces itself
};

}  // namespace velumo
