#include "tickerstation.h"

#include "base/clock.h"
#include "base/guard.h"
#include "base/notifier.h"
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

TickerStation::TickerStation(const TickerStationParts& parts, TickerCompanions& companions)
    : m_parts(parts)
{
    const TickerStationParts& services = m_parts;
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
                       guarded(m_parts.notifier, [&] {
                           loadBlockFile(p, [this, origin = Origin::current()](const QString& e) {
                               if (!e.isEmpty())
                                   m_parts.notifier.errorReport(e, origin);
                           });
                       });
                   });
    connectGuarded(m_textPage, &TickerTextPage::saveChosen, m_textPage,
                   Origin::byOperator(QStringLiteral("tickermodule")), [this](const QString& p) {
                       guarded(m_parts.notifier, [&] { saveBlockFile(p); });
                   });
    addTickerCommands(
        services.control,
        {*m_block, *m_engine, *m_playbackLog, settings, [this] { m_textPage->flushEdits(); },
         [this](const QString& path, std::function<void(const QString&)> done) {
             loadBlockFile(path, std::move(done));
         },
         [this](const QString& path) { saveBlockFile(path); }});
}

TickerStation::~TickerStation()
{
    m_engine->setView(nullptr);
    m_windows.reset();
    delete m_strip;
}

void TickerStation::placeWindows(QWidget* clock, QWidget* icon, QWidget* panel,
                                 TickerWindowsStyler& styler)
{
    m_windows = std::make_unique<TickerWindows>(*m_strip, clock, icon, panel, &m_parts.window,
                                                m_ui->workLabel(), &styler);
    m_engine->setView(m_windows.get());
}

void TickerStation::loadBlockFile(const QString& path,
                                  std::function<void(const QString& error)> done)
{
    m_block->openStartupBlockLater(path, m_parts.clock.now(), std::move(done),
                                   [this](qsizetype position, qsizetype maximum) {
                                       m_textPage->setProgress(position, maximum);
                                   });
}

void TickerStation::saveBlockFile(const QString& path)
{
    m_textPage->flushEdits();
    m_block->saveStartupBlock(path);
}

void TickerStation::autostartR()
{
    guarded(m_parts.notifier, [this] {
        m_block->LoadTickerFile(m_parts.settings.text(key::SCEdit5), m_parts.clock.now(),
                                [this](qsizetype position, qsizetype maximum) {
                                    m_textPage->setProgress(position, maximum);
                                });
    });
    // The direct start also starts the dispatcher (dispstart) when SCCheckBox6 is checked.
    guarded(m_parts.notifier, [this] { m_engine->BitBtn2Click(); });
}

void TickerStation::writePendingLog()
{
    guarded(m_parts.notifier, [this] { m_playbackLog->writePending(); });
}

void TickerStation::applyStoredLog()
{
    m_playbackLog->applyTimer();
    m_ui->applyLogVisibility();
}

}  // namespace velumo
