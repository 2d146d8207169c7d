#include "saverow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace velumo {

SaveRow addSaveRow(QFormLayout* form, QWidget* parent, const QString& buttonName,
                   const QString& answerName, const QString& fileName)
{
    auto* button = new QPushButton(QStringLiteral("Сохранить"), parent);
    button->setObjectName(buttonName);
    button->setToolTip(QStringLiteral("Проверить и записать ") + fileName);
    auto* answer = new QLabel(parent);
    answer->setObjectName(answerName);
    answer->setWordWrap(true);
    answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttonRow = new QHBoxLayout();
    buttonRow->addWidget(button);
    buttonRow->addStretch();
    form->addRow(buttonRow);
    form->addRow(answer);
    return {button, answer};
}

}  // namespace velumo
