#include "controlpanel.h"

#include <QGroupBox>
#include <QVBoxLayout>

namespace velumo {

ControlPanel::ControlPanel(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QStringLiteral(
        "                                         Панель ручного управления Velumo7"));
    resize(591, 341);
    m_layout = new QVBoxLayout(this);
    m_layout->setAlignment(Qt::AlignTop);
}

QGroupBox* ControlPanel::section(const QString& name, const QString& caption)
{
    if (QGroupBox* box = m_sections.value(name))
        return box;
    auto* box = new QGroupBox(caption, this);
    box->setObjectName(name);
    new QVBoxLayout(box);
    m_layout->addWidget(box);
    m_sections.insert(name, box);
    return box;
}

}  // namespace velumo
