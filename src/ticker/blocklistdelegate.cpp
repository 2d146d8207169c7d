#include "blocklistdelegate.h"

#include <QLineEdit>

#include "ticker/blocktablemodel.h"

namespace velumo {

BlockListDelegate::BlockListDelegate(const QString& name, QObject* parent)
    : QStyledItemDelegate(parent)
{
    setObjectName(name);
}

void BlockListDelegate::commitOpenEditor()
{
    if (m_editor)
        emit commitData(m_editor);
}

QWidget* BlockListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        if (index.column() == BlockTableModel::IconColumn)
            line->setMaxLength(1);
    }
    m_editor = editor;
    return editor;
}

void BlockListDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (m_editor == editor)
        m_editor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

}  // namespace velumo
