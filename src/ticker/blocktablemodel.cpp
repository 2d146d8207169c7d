#include "blocktablemodel.h"

#include <QColor>
#include <QFont>
#include <climits>

#include "base/guard.h"

namespace velumo {

namespace {

int clampedRows(qsizetype rows)
{
    return int(qMin<qsizetype>(rows, INT_MAX));
}

}  // namespace

BlockTableModel::BlockTableModel(TickerBlock& block, QObject* parent)
    : QAbstractTableModel(parent), m_block(block), m_rows(clampedRows(block.rows()))
{
    connectGuarded(&m_block, &TickerBlock::changed, this,
                   Origin::unattended(QStringLiteral("blocktablemodel")),
                   &BlockTableModel::blockChanged);
    connectGuarded(&m_block, &TickerBlock::linesChanged, this,
                   Origin::unattended(QStringLiteral("blocktablemodel")),
                   &BlockTableModel::linesChanged);
}

BlockList BlockTableModel::listOf(int column)
{
    switch (column) {
        case IndexColumn:
            return BlockList::Index;
        case TariffColumn:
            return BlockList::Tariff;
        default:
            return BlockList::Text;
    }
}

QColor BlockTableModel::missingColour()
{
    return QColor(0xf4, 0xc7, 0xc3);
}

QColor BlockTableModel::onAirColour()
{
    return QColor(0xff, 0xe0, 0x82);
}

void BlockTableModel::setOnAirRow(int row)
{
    if (row == m_onAirRow)
        return;
    const int old = m_onAirRow;
    m_onAirRow = row;
    rowChanged(old);
    rowChanged(row);
}

void BlockTableModel::rowChanged(int row)
{
    if (row >= 0 && row < m_rows)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1),
                         {Qt::BackgroundRole, Qt::FontRole});
}

bool BlockTableModel::present(const QModelIndex& index) const
{
    return index.isValid() && index.row() < m_block.lines(listOf(index.column())).size();
}

int BlockTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int BlockTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString BlockTableModel::cellText(int row, int column) const
{
    const QStringList& lines = m_block.lines(listOf(column));
    if (row < 0 || row >= lines.size())
        return QString();
    const QString& line = lines[row];
    switch (column) {
        case IconColumn:
            return line.left(1);
        case TextColumn:
            return line.mid(1);
        default:
            return line;
    }
}

QVariant BlockTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    const int row = index.row();
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return present(index) ? QVariant(cellText(row, index.column())) : QVariant();
        case Qt::BackgroundRole:
            if (!present(index))
                return missingColour();
            if (row == m_onAirRow)
                return onAirColour();
            return {};
        case Qt::FontRole:
            if (row == m_onAirRow) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::ToolTipRole:
            if (!present(index))
                return QStringLiteral("Нет строки: списки блока разной длины");
            if (index.column() == IconColumn) {
                const QString code = cellText(row, IconColumn);
                const bool digit = code.size() == 1 && code[0] >= u'0' && code[0] <= u'9';
                return digit ? QStringLiteral("Иконка %1").arg(code)
                             : QStringLiteral("Иконка по умолчанию");
            }
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == IconColumn)
                return int(Qt::AlignCenter);
            return {};
        default:
            return {};
    }
}

bool BlockTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= m_rows)
        return false;
    const int row = index.row();
    const QString entered = value.toString();
    const BlockList list = listOf(index.column());
    QString line;
    if (index.column() == IconColumn) {
        // The code is one character; a line with text keeps a code (a blank: the default
        // picture), or the text's first letter would become its code.
        const QString rest = cellText(row, TextColumn);
        const QString code = entered.isEmpty() ? (rest.isEmpty() ? QString() : QStringLiteral(" "))
                                               : entered.left(1);
        line = code + rest;
    } else if (index.column() == TextColumn) {
        QString code = cellText(row, IconColumn);
        if (code.isEmpty() && !entered.isEmpty())
            code = QStringLiteral(" ");
        line = code + entered;
    } else {
        line = entered;
    }
    m_block.setLine(list, row, line);
    return true;
}

QVariant BlockTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        switch (section) {
            case IndexColumn:
                return QStringLiteral("индекс");
            case TariffColumn:
                return QStringLiteral("тариф");
            case IconColumn:
                return QStringLiteral("иконка");
            case TextColumn:
                return QStringLiteral("текст");
            default:
                return {};
        }
    }
    if (role == Qt::ToolTipRole) {
        switch (section) {
            case IndexColumn:
                return QStringLiteral("Порядковый индекс объявления");
            case TariffColumn:
                return QStringLiteral("Номер тарифа проката");
            case IconColumn:
                return QStringLiteral("Код тематической иконки: 0 … 9, иной символ — по умолчанию");
            default:
                return {};
        }
    }
    return {};
}

Qt::ItemFlags BlockTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool BlockTableModel::insertRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || row > m_rows || count <= 0)
        return false;
    beginInsertRows(parent, row, row + count - 1);
    m_ownChange = true;
    m_block.insertAnnouncements(row, count);
    m_ownChange = false;
    m_rows = clampedRows(m_block.rows());
    if (m_onAirRow >= row)
        m_onAirRow += count;
    endInsertRows();
    return true;
}

bool BlockTableModel::removeRows(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > m_rows)
        return false;
    beginRemoveRows(parent, row, row + count - 1);
    m_ownChange = true;
    m_block.removeAnnouncements(row, count);
    m_ownChange = false;
    m_rows = clampedRows(m_block.rows());
    if (m_onAirRow >= row + count)
        m_onAirRow -= count;
    else if (m_onAirRow >= row)
        m_onAirRow = -1;
    endRemoveRows();
    return true;
}

void BlockTableModel::blockChanged()
{
    if (m_ownChange)
        return;
    // What is on the strip came from the lists as they were: it is marked again with the next
    // announcement.
    beginResetModel();
    m_rows = clampedRows(m_block.rows());
    m_onAirRow = -1;
    endResetModel();
}

void BlockTableModel::linesChanged(BlockList list, qsizetype first, qsizetype last)
{
    const int rows = clampedRows(m_block.rows());
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    }
    last = qMin<qsizetype>(last, m_rows - 1);
    if (first > last)
        return;
    const int from = list == BlockList::Text
                         ? IconColumn
                         : (list == BlockList::Index ? IndexColumn : TariffColumn);
    const int to = list == BlockList::Text ? TextColumn : from;
    emit dataChanged(index(int(first), from), index(int(last), to));
}

}  // namespace velumo
