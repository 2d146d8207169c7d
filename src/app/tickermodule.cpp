#include "tickermodule.h"

#include "base/clock.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "ticker/playbacklog.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerblock.h"
#include "ticker/tickercommands.h"
#include "ticker/tickerengine.h"
#include "ticker/tickersettingsui.h"
#include "ticker/tickertextpage.h"
#include "ticker/tickerwindows.h"
#include "ui/settingswindow.h"

namespace velumo {

TickerModule::TickerModule(const Services& services, TickerCompanions& companions)
    : m_services(services)
{
    Settings& settings = services.settings;
    m_block = std::make_unique<TickerBlock>(settings);
    m_playbackLog =
        std::make_unique<PlaybackLog>(settings, services.clock, services.timers, services.notifier);
    m_engine = std::make_unique<TickerEngine>(settings, *m_block, *m_playbackLog, services.clock,
                                              services.timers, services.notifier, companions,
                                              &services.log);
    m_strip = new StripWindow();
    SettingsWindow& window = services.window;
    m_textPage = new TickerTextPage(window, *m_block, services.folder);
    m_ui = new TickerSettingsUi(window, settings, *m_engine, *m_playbackLog, services.notifier);

    connectGuarded(m_engine.get(), &TickerEngine::onAirLineChanged, m_textPage,
                   Origin::unattended(QStringLiteral("tickermodule")), &TickerTextPage::showOnAir);
    connectGuarded(m_textPage, &TickerTextPage::openChosen, m_textPage,
                   Origin::byOperator(QStringLiteral("tickermodule")), [this](const QString& p) {
                       m_services.guard([&] {
                           loadBlockFile(p, [this, origin = Origin::current()](const QString& e) {
                               if (!e.isEmpty())
                                   m_services.notifier.errorReport(e, origin);
                           });
                       });
                   });
    connectGuarded(m_textPage, &TickerTextPage::saveChosen, m_textPage,
                   Origin::byOperator(QStringLiteral("tickermodule")),
                   [this](const QString& p) { m_services.guard([&] { saveBlockFile(p); }); });
    addTickerCommands(
        services.control,
        {*m_block, *m_engine, *m_playbackLog, settings, [this] { m_textPage->flushEdits(); },
         [this](const QString& path, std::function<void(const QString&)> done) {
             loadBlockFile(path, std::move(done));
         },
         [this](const QString& path) { saveBlockFile(path); }});
}

TickerModule::~TickerModule()
{
    m_engine->setView(nullptr);
    m_windows.reset();
    delete m_strip;
}

void TickerModule::placeWindows(QWidget* clock, QWidget* icon, QWidget* panel,
                                TickerWindowsStyler& styler)
{
    m_windows = std::make_unique<TickerWindows>(*m_strip, clock, icon, panel, &m_services.window,
                                                m_ui->workLabel(), &styler);
    m_engine->setView(m_windows.get());
}

void TickerModule::loadBlockFile(const QString& path,
                                 std::function<void(const QString& error)> done)
{
    m_block->openStartupBlockLater(path, m_services.clock.now(), std::move(done),
                                   [this](qsizetype position, qsizetype maximum) {
                                       m_textPage->setProgress(position, maximum);
                                   });
}

void TickerModule::saveBlockFile(const QString& path)
{
    m_textPage->flushEdits();
    m_block->saveStartupBlock(path);
}

void TickerModule::autostartR()
{
    m_services.guard([this] {
        m_block->LoadTickerFile(m_services.settings.text(key::SCEdit5), m_services.clock.now(),
                                [this](qsizetype position, qsizetype maximum) {
                                    m_textPage->setProgress(position, maximum);
                                });
    });
    // The direct start also starts the dispatcher (dispstart) when SCCheckBox6 is checked.
    m_services.guard([this] { m_engine->BitBtn2Click(); });
}

void TickerModule::writePendingLog()
{
    m_services.guard([this] { m_playbackLog->writePending(); });
}

void TickerModule::applyStoredLog()
{
    m_playbackLog->applyTimer();
    m_ui->applyLogVisibility();
}

}  // namespace velumo
