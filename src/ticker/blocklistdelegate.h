#pragma once

#include <QPointer>
#include <QStyledItemDelegate>

namespace velumo {

// Edits the cells of one block list in the block table; named after the list (Memo1,
// Memotarif, Memoindex). The text list's delegate serves both its columns, the icon code
// (one character) and the text.
class BlockListDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    BlockListDelegate(const QString& name, QObject* parent);

    // A cell being edited hands its text to the block now.
    void commitOpenEditor();
    bool editing() const { return !m_editor.isNull(); }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

private:
    mutable QPointer<QWidget> m_editor;
};

}  // namespace velumo
