#include "shellmodule.h"

#include <QCoreApplication>
#include <QDate>

#include "base/operations.h"
#include "base/settings.h"
#include "panel/firststartplace.h"
#include "ui/mainfooter.h"
#include "ui/settingswindow.h"
#include "ui/settingswindowshell.h"

namespace velumo {

ShellModule::ShellModule(const Services& services)
    : m_services(services),
      m_window(std::make_unique<SettingsWindowShell>(services.window)),
      m_control(std::make_unique<ShellControl>(services.folder, services.settings,
                                               services.notifier, services.log, *m_window))
{
    Operations& operations = services.operations;
    m_footer = new MainFooter(
        services.window, services.notifier,
        {[this] { m_control->adminEntry(); },
         [&operations] { operations.run(QStringLiteral("save")); },
         [this] { m_control->fix_startExecute(QCoreApplication::applicationFilePath()); },
         [&operations] { operations.run(QStringLiteral("exit")); }});
    m_window->addCommands(services.control, services.folder, services.settings);
}

ShellModule::~ShellModule() = default;

void ShellModule::loadSettingsFiles()
{
    m_control->loadSettingsFiles();
    m_window->showLoadedLook(m_services.settings);
}

bool ShellModule::firstStart() const
{
    return m_control->firstStart();
}

void ShellModule::placeOnFirstStart(QWidget& panel, QWidget& clock, QWidget& icon)
{
    velumo::placeOnFirstStart(m_services.settings, m_services.window, panel, clock, icon,
                              QSize(kMinimumWidth, kMinimumHeight), kClockWidth);
}

void ShellModule::applyClosedAccess()
{
    m_control->applyClosedAccess();
}

void ShellModule::storePosition()
{
    m_control->storePosition(QDate::currentDate());
}

void ShellModule::saveSettingsFiles()
{
    m_control->saveSettingsFiles();
}

}  // namespace velumo
