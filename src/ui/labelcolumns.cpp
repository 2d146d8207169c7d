#include "labelcolumns.h"

#include <algorithm>
#include <functional>

#include <QFormLayout>
#include <QGroupBox>
#include <QHash>
#include <QLabel>

namespace velumo {

void alignLabelColumns(QWidget& window)
{
    // The groups of a page and the groups nested in their rows line their fields up in one
    // column: each label column is widened so that every field starts where the widest
    // label's does.
    const auto formOf = [](QGroupBox* box) { return qobject_cast<QFormLayout*>(box->layout()); };
    const auto nestedIn = [&](QGroupBox* box) {
        auto* outer = qobject_cast<QGroupBox*>(box->parentWidget());
        if (!outer || !formOf(outer))
            return false;
        int row = -1;
        QFormLayout::ItemRole role;
        formOf(outer)->getWidgetPosition(box, &row, &role);
        return row >= 0 && role == QFormLayout::SpanningRole;
    };
    struct Column {
        QFormLayout* form;
        int left;  // where its labels start, from the left of the outermost group
        QList<QLabel*> labels;
    };
    // Groups standing side by side in one page share the column too.
    QHash<QWidget*, QList<Column>> columnsOf;
    for (QGroupBox* root : window.findChildren<QGroupBox*>()) {
        if (!formOf(root) || root->isHidden() || nestedIn(root))
            continue;
        QList<Column>& columns = columnsOf[root->parentWidget()];
        std::function<void(QGroupBox*, int)> collect = [&](QGroupBox* box, int origin) {
            box->ensurePolished();
            QFormLayout* form = formOf(box);
            const int left =
                origin + box->contentsMargins().left() + form->contentsMargins().left();
            Column column{form, left, {}};
            for (int row = 0; row < form->rowCount(); ++row) {
                if (QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole))
                    if (auto* label = qobject_cast<QLabel*>(item->widget());
                        label && !label->isHidden())
                        column.labels.append(label);
                if (QLayoutItem* item = form->itemAt(row, QFormLayout::SpanningRole))
                    if (auto* inner = qobject_cast<QGroupBox*>(item->widget()))
                        if (formOf(inner) && !inner->isHidden())
                            collect(inner, left);
            }
            columns.append(column);
        };
        collect(root, 0);
    }
    for (const QList<Column>& columns : std::as_const(columnsOf)) {
        int fieldsAt = 0;
        for (const Column& column : columns) {
            for (QLabel* label : column.labels) {
                label->setMinimumWidth(0);
                int width = label->sizeHint().width();
                // A long caption wraps instead of pushing every field to the right.
                if (label->wordWrap())
                    width = std::min(width, kWrappedLabelWidth);
                fieldsAt = std::max(fieldsAt, column.left + width);
            }
        }
        for (const Column& column : columns)
            for (QLabel* label : column.labels)
                label->setMinimumWidth(fieldsAt - column.left);
    }
}

}  // namespace velumo
