#include "panelmodule.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>

#include "base/settings.h"
#include "base/settingskeys.h"
#include "panel/controlpanel.h"

namespace velumo {

PanelModule::PanelModule(const Services& services)
    : m_services(services), m_panel(new ControlPanel())
{
    QGroupBox* clockSection =
        m_panel->section(QStringLiteral("GroupBox1"), QStringLiteral("Текст  часов"));
    m_clockBox = new QCheckBox(QStringLiteral("Видимость часов"), clockSection);
    m_clockBox->setObjectName(QStringLiteral("CheckBox1"));
    m_clockBox->setToolTip(QStringLiteral("Видимость часов"));
    m_clockBox->setChecked(services.settings.checked(key::SCCheckbox7));
    clockSection->layout()->addWidget(m_clockBox);
    m_timeField = new QLineEdit(clockSection);
    m_timeField->setObjectName(QStringLiteral("SCEditn7"));
    m_timeField->setReadOnly(true);
    clockSection->layout()->addWidget(m_timeField);
}

PanelModule::~PanelModule()
{
    delete m_panel;
}

void PanelModule::applyStoredPosition()
{
    const Settings& settings = m_services.settings;
    m_panel->move(settings.integer(key::SCEdit98), settings.integer(key::SCEdit97));
}

void PanelModule::storePosition()
{
    m_services.settings.setText(key::SCEdit97, QString::number(m_panel->y()));
    m_services.settings.setText(key::SCEdit98, QString::number(m_panel->x()));
}

}  // namespace velumo
