#include "tickermodule.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>

#include "base/clock.h"
#include "base/commandreply.h"
#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "ticker/playbacklog.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerblock.h"
#include "ticker/tickerengine.h"
#include "ticker/tickersettingsui.h"
#include "ticker/tickertextpage.h"
#include "ticker/tickerwindows.h"
#include "ui/clickfilter.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

const QString kCountersMessage =
    QStringLiteral("Для обработки тарифов, количество строк должно быть одинаковым");

}  // namespace

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
    Notifier& notifier = services.notifier;
    for (const char* counter : {key::SCEdit12, key::SCEdit14, key::SCEdit15})
        ClickFilter::install(window.control(QString::fromLatin1(counter)),
                             Origin::byOperator(QStringLiteral("tickermodule")),
                             [&notifier] { notifier.message(kCountersMessage); });
    ClickFilter::install(window.findChild<QLabel*>(QStringLiteral("Label91")),
                         Origin::byOperator(QStringLiteral("tickermodule")),
                         [&notifier] { notifier.message(kCountersMessage); });
    registerCommands();
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

void TickerModule::registerCommands()
{
    ControlServer& c = m_services.control;
    c.addStatus(QStringLiteral("block"), [this] {
        m_textPage->flushEdits();
        return QJsonValue(m_block->statusJson(m_services.settings.text(key::SCEdit5)));
    });
    c.addCommand(QStringLiteral("block load"),
                 [this](const QString& path, const std::shared_ptr<CommandReply>& reply) {
                     if (path.isEmpty())
                         throw Failure(QStringLiteral("block load needs a file path"));
                     // Answered when the block is in place, with its number of announcements.
                     loadBlockFile(path, [this, reply](const QString& error) {
                         if (error.isEmpty())
                             reply->done(QString::number(m_block->text().size()));
                         else
                             reply->fail(error);
                     });
                 });
    c.addCommand(QStringLiteral("block save"), [this](const QString& path) {
        if (path.isEmpty())
            throw Failure(QStringLiteral("block save needs a file path"));
        saveBlockFile(path);
        return QString();
    });
    c.addStatus(QStringLiteral("ticker"), [this] {
        return QJsonValue(QJsonObject{
            {QStringLiteral("running"), m_engine->TickerRunning()},
            {QStringLiteral("current_line"), m_engine->CurrentLine()},
            {QStringLiteral("resume_line"), m_engine->ResumeLine()},
            {QStringLiteral("block_run_count"), m_engine->BlockRunCount()},
            {QStringLiteral("halt_pending"), m_engine->haltPending()},
            // The key of the priority text (an alert's) crossing the strip; "" for the block's.
            {QStringLiteral("priority"), m_engine->priorityOnStrip()},
        });
    });
    c.addCommand(QStringLiteral("ticker start"), [this](const QString&) {
        m_engine->SCButton3Click();
        return QString();
    });
    c.addCommand(QStringLiteral("ticker stop"), [this](const QString&) {
        m_engine->StopTicker();
        return QString();
    });
    c.addCommand(QStringLiteral("ticker continue"), [this](const QString&) {
        m_engine->ContinueTicker();
        return QString();
    });
    c.addCommand(QStringLiteral("ticker restart"), [this](const QString&) {
        m_engine->restartBlock();
        return QString();
    });
    c.addCommand(QStringLiteral("phrase"), [this](const QString& text) {
        m_engine->setPanelPhrase(text);
        return QString();
    });
    c.addCommand(QStringLiteral("log write"), [this](const QString&) {
        const qsizetype waiting = m_playbackLog->records().size();
        const bool written = !QFileInfo::exists(m_playbackLog->currentFilePath());
        m_playbackLog->Timer7Timer();
        if (!m_playbackLog->writingOn())
            return QStringLiteral(
                "the playback log is off (SCCheckbox22, SCEdit103): nothing "
                "written");
        const QString path = m_services.settings.text(key::SCEdit88);
        if (!written)
            return QStringLiteral("%1 records wait for the next minute: there is already %2")
                .arg(waiting)
                .arg(path);
        return QStringLiteral("%1 records written to %2").arg(waiting).arg(path);
    });
}

}  // namespace velumo
