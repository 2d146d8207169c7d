#include "phraselistmodel.h"

#include "panel/panelphrases.h"

namespace velumo {

PhraseListModel::PhraseListModel(PanelPhrases& phrases, QObject* parent)
    : QAbstractListModel(parent), m_phrases(phrases)
{
}

int PhraseListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_phrases.size();
}

QVariant PhraseListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_phrases.at(index.row());
    return {};
}

void PhraseListModel::add(const QString& phrase)
{
    const int row = m_phrases.size();
    beginInsertRows(QModelIndex(), row, row);
    m_phrases.add(phrase);
    endInsertRows();
}

bool PhraseListModel::remove(int row)
{
    if (!m_phrases.isValid(row))
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    m_phrases.remove(row);
    endRemoveRows();
    return true;
}

void PhraseListModel::reload()
{
    beginResetModel();
    endResetModel();
}

}  // namespace velumo
