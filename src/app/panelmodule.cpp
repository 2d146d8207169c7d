#include "panelmodule.h"

#include <QCoreApplication>
#include <QLabel>

#include "app/shellmodule.h"
#include "base/guard.h"
#include "dispatcher/dispatcherengine.h"
#include "panel/clockticker.h"
#include "panel/controlpanel.h"
#include "panel/paneldock.h"
#include "panel/paneloperations.h"
#include "panel/panelphrases.h"
#include "panel/panelstore.h"
#include "panel/systemtrayicon.h"
#include "ui/settingswindow.h"

namespace velumo {

PanelModule::PanelModule(const Services& services, ClockTicker& clock, DispatcherEngine& dispatcher,
                         QWidget& strip, QWidget& clockWindow, QObject* parent)
    : QObject(parent),
      m_services(services),
      m_strip(strip),
      m_clockWindow(clockWindow),
      m_dispatcher(dispatcher),
      m_phrases(std::make_unique<PanelPhrases>()),
      m_tray(new SystemTrayIcon(this))
{
    guarded(m_services.notifier, [this] {
        m_phrases->load(m_services.filePath(QString::fromUtf8(PanelPhrases::kFileName)));
    });
    m_panel =
        new ControlPanel(m_services.settings, m_services.notifier, m_services.operations,
                         *m_phrases, clock, *m_tray, {m_services.window, m_strip, m_clockWindow});

    connectGuarded(m_tray, &SystemTrayIcon::leftClicked, m_panel,
                   Origin::byOperator(QStringLiteral("panelmodule")),
                   [this] { guarded(m_services.notifier, [this] { m_panel->trayLeftClick(); }); });
    connectGuarded(m_tray, &SystemTrayIcon::rightClicked, m_panel,
                   Origin::byOperator(QStringLiteral("panelmodule")),
                   [this] { guarded(m_services.notifier, [this] { m_panel->trayRightClick(); }); });
    connect(&m_dispatcher, &DispatcherEngine::panelLabelVisible, m_panel->dispatcherLabel(),
            &QWidget::setVisible);  // plain: Qt plumbing
    connectGuarded(&m_dispatcher, &DispatcherEngine::showPanelRequested, m_panel,
                   Origin::unattended(QStringLiteral("panelmodule")), [this] {
                       m_panel->showNormal();
                       m_panel->show();
                   });
    connectGuarded(m_panel, &ControlPanel::closing, this,
                   Origin::byOperator(QStringLiteral("panelmodule")), [this] { writeFiles(); });
    // However the program ends, the phrases and the texts are written.
    connectGuarded(qApp, &QCoreApplication::aboutToQuit, this,
                   Origin::unattended(QStringLiteral("panelmodule")), [this] { writeFiles(); });
    m_dock = new PanelDock(m_services.window, *m_panel, m_services.notifier);
    m_store = std::make_unique<PanelStore>(
        services.folder, services.settings, services.log, services.notifier, *m_panel, *m_dock,
        *m_phrases, QSize(ShellModule::kMinimumWidth, ShellModule::kMinimumHeight));
    addPanelOperations(services.operations, services.control, *m_panel, *m_phrases, *m_tray,
                       m_dispatcher);
    addPanelButtons(services.window, services.operations, services.notifier);
    // Where a first start (no velumo.cfg, so Initial reads no position) shows the panel.
    guarded(m_services.notifier, [this] { applyPosition(); });
    m_store->readDockSide();
}

PanelModule::~PanelModule()
{
    delete m_dock;  // lets the panel go first when it is docked
    delete m_panel;
}

void PanelModule::readTranslation()
{
    m_store->readTranslation();
}

void PanelModule::applyPosition()
{
    m_store->applyPosition(m_services.window, m_clockWindow);
}

void PanelModule::storePosition()
{
    m_store->storePosition();
}

void PanelModule::writeFiles()
{
    m_store->writeFiles();
}

void PanelModule::notifyTray(const QString& text)
{
    m_tray->notify(QStringLiteral("Велумо"), text);
}

}  // namespace velumo
