#include "application.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "base/autostartentry.h"
#include "base/configfile.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/translationfile.h"
#include "devices/alsamastermute.h"
#include "devices/alsatoneplayer.h"
#include "devices/broadcastmute.h"
#include "devices/lptpins.h"
#include "devices/portspage.h"
#include "devices/powercontrol.h"
#include "devices/ppdevparallelport.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/dispatcherpage.h"
#include "dispatcher/loggingcontentplayers.h"
#include "dispatcher/plandiagramwindow.h"
#include "dispatcher/planner.h"
#include "dispatcher/plannerpage.h"
#include "net/dialup.h"
#include "net/ftpexchange.h"
#include "net/networkpages.h"
#include "panel/accessorycontrol.h"
#include "panel/bordermenu.h"
#include "panel/clockticker.h"
#include "panel/clockwindow.h"
#include "panel/controlpanel.h"
#include "panel/fontstylepage.h"
#include "panel/iconwindow.h"
#include "panel/thematicicons.h"
#include "players/capturewindow.h"
#include "players/clipwindow.h"
#include "players/flashwindow.h"
#include "players/rssfeed.h"
#include "players/rsspage.h"
#include "players/titleswindow.h"
#include "players/webwindow.h"
#include "ticker/playbacklog.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerblock.h"
#include "ticker/tickerengine.h"
#include "ticker/tickersettingsui.h"
#include "ticker/tickerwindows.h"
#include "ui/clickfilter.h"
#include "ui/settingswindow.h"
#include "ticker/tickertextpage.h"

namespace velumo {

namespace {

const QString kCountersMessage =
    QStringLiteral("Для обработки тарифов, количество строк должно быть одинаковым");

QJsonArray toJson(const QStringList& lines)
{
    return QJsonArray::fromStringList(lines);
}

}  // namespace

Application::Application(QString programFolder, const CommandLine& commandLine, PowerControl& power)
    : m_folder(std::move(programFolder)),
      m_commandLine(commandLine),
      m_power(power),
      m_log(m_folder + QLatin1String("/velumo.log")),
      m_notifier(&m_log)
{
}

Application::~Application()
{
    m_notifier.closeAll();
    if (m_ticker)
        m_ticker->setView(nullptr);
    // Windows without a parent are ours to delete, the settings window last.
    delete m_flash;
    delete m_diagram;
    delete m_capture;
    delete m_clip;
    delete m_titles;
    delete m_web;
    delete m_clockWindow;
    delete m_icon;
    delete m_panel;
    delete m_strip;
    delete m_form1;
}

QString Application::filePath(const QString& name) const
{
    return m_folder + u'/' + name;
}

TickerControl& Application::tickerControl()
{
    return *m_ticker;
}

void Application::guard(const std::function<void()>& body)
{
    guarded(m_notifier, body);
}

bool Application::start()
{
    m_control = std::make_unique<ControlServer>(m_folder, m_notifier, &m_log, m_operations, this);
    if (!m_control->listen()) {
        if (isRunning(m_folder))
            return false;
        // No channel (no other copy either): the program still runs, without remote control.
        m_log.write(
            QStringLiteral("error"),
            QStringLiteral("Control channel unavailable: %1").arg(m_control->errorString()));
    }
    QApplication::setApplicationDisplayName(QStringLiteral("Велумо"));
    m_block = std::make_unique<TickerBlock>(m_settings);
    // Device outputs: LPT1 through ppdev (opened only once the permission box allows it),
    // tones on the default sound output, the master switch of the default card's mixer.
    m_port = std::make_unique<PpdevParallelPort>();
    m_pins = std::make_unique<LptPins>(m_settings, *m_port);
    m_tones = std::make_unique<AlsaTonePlayer>(m_notifier, nullptr, &m_log);
    m_mute = std::make_unique<AlsaMasterMute>();
    m_broadcastMute = std::make_unique<BroadcastMute>(*m_mute);
    m_playbackLog = std::make_unique<PlaybackLog>(m_settings, m_clock, m_timers, m_notifier);
    m_ticker = std::make_unique<TickerEngine>(m_settings, *m_block, *m_playbackLog, m_clock,
                                              m_timers, m_notifier, &m_log);
    createNetwork();
    createDispatcher();

    createWindows();
    createTicker();
    connectTickerToAccessories();
    createDispatcherPages();
    registerCommands();
    registerDispatcherCommands();
    Initial();
    removeLeftoverTemporaries({m_folder, m_settings.text(key::SCEdit103)}, m_clock.now(), &m_log);
    m_form1->show();
    if (m_commandLine.autostart)
        autostartR();
    return true;
}

void Application::createWindows()
{
    m_form1 = new SettingsWindow(m_settings);
    m_textPage = new TickerTextPage(*m_form1, *m_block, m_folder);
    m_portsPage =
        new PortsPage(*m_form1, m_settings, *m_pins, *m_tones, *m_broadcastMute, m_notifier);
    createNetworkPages();
    buildFooter();

    connect(m_form1, &SettingsWindow::closeRequested, this,
            [this] { guard([this] { FormClose(); }); });
    connect(m_textPage, &TickerTextPage::openChosen, this,
            [this](const QString& path) { guard([&] { loadBlockFile(path); }); });
    connect(m_textPage, &TickerTextPage::saveChosen, this,
            [this](const QString& path) { guard([&] { saveBlockFile(path); }); });
    for (const char* counter : {key::SCEdit12, key::SCEdit14, key::SCEdit15})
        ClickFilter::install(m_form1->control(QString::fromLatin1(counter)),
                             [this] { m_notifier.message(kCountersMessage); });
    ClickFilter::install(m_form1->findChild<QLabel*>(QStringLiteral("Label_SCEdit12")),
                         [this] { m_notifier.message(kCountersMessage); });

    m_strip = new StripWindow();
    m_panel = new ControlPanel();
    m_icon = new IconWindow(m_settings, m_notifier);
    m_clockWindow = new ClockWindow(m_settings, m_notifier);
    m_web = new WebWindow();
    m_titles = new TitlesWindow();
    m_clip = new ClipWindow();
    m_capture = new CaptureWindow();
    m_diagram = new PlanDiagramWindow();
    // The Flash window comes last, inside its own guard.
    try {
        m_flash = new FlashWindow();
    } catch (...) {
        m_notifier.message(QStringLiteral(
            "Для работы с flash нужно установить Adobe flashplayer9_ax, с которым ставится ActiveX "
            "и затем поверх последняя версия плеера"));
    }
    createAccessories();
}

// The clock with its one-second tick, the clock visibility and keep-on-top control, the
// thematic icons and the lettering dialogs.
void Application::createAccessories()
{
    m_clockTicker =
        std::make_unique<ClockTicker>(m_settings, m_clock, m_timers, m_power, m_notifier);
    m_clockTicker->setClockText(QStringLiteral("  "));
    connect(m_clockTicker.get(), &ClockTicker::clockDrawn, m_clockWindow, &ClockWindow::showClock);

    QGroupBox* clockSection =
        m_panel->section(QStringLiteral("GroupBox1"), QStringLiteral("Текст  часов"));
    auto* panelClockBox = new QCheckBox(QStringLiteral("Видимость часов"), clockSection);
    panelClockBox->setObjectName(QStringLiteral("CheckBox1"));
    panelClockBox->setToolTip(QStringLiteral("Видимость часов"));
    panelClockBox->setChecked(m_settings.checked(key::SCCheckbox7));
    clockSection->layout()->addWidget(panelClockBox);
    auto* panelTime = m_panel->findChild<QLineEdit*>(QStringLiteral("SCEditn7"));
    if (!panelTime) {
        panelTime = new QLineEdit(clockSection);
        panelTime->setObjectName(QStringLiteral("SCEditn7"));
        panelTime->setReadOnly(true);
        clockSection->layout()->addWidget(panelTime);
    }
    connect(m_clockTicker.get(), &ClockTicker::timeShown, panelTime, &QLineEdit::setText);

    AccessoryControl::Hooks hooks;
    hooks.tickerRunning = [this] { return tickerControl().TickerRunning(); };
    hooks.showClock = [this] {
        m_clockWindow->show();
        m_clockWindow->raise();
    };
    hooks.hideClock = [this] { m_clockWindow->hide(); };
    hooks.raiseStrip = [this] {
        m_strip->show();
        m_strip->raise();
    };
    hooks.setPanelClockBox = [panelClockBox](bool checked) { panelClockBox->setChecked(checked); };
    m_accessories = std::make_unique<AccessoryControl>(m_settings, m_timers, m_notifier, hooks);
    connect(panelClockBox, &QCheckBox::clicked, this,
            [this](bool checked) { guard([&] { m_accessories->panelClockBoxClicked(checked); }); });

    m_icons = new ThematicIcons(*m_form1, m_settings, *m_icon, m_notifier, &m_log, m_folder);
    m_fontPage =
        new FontStylePage(*m_form1, m_settings, m_notifier, *m_clockTicker, m_textPage->textList());
    installStripBorderMenu(m_strip, m_settings, m_notifier);
    m_clockTicker->start();
}

void Application::requestClockRedraw()
{
    m_clockTicker->requestRedraw();
}

void Application::vibor(int index)
{
    m_icons->vibor(index);
}

void Application::createTicker()
{
    m_tickerWindows =
        std::make_unique<TickerWindows>(*m_strip, m_clockWindow, m_icon, m_panel, m_form1);
    m_tickerUi = new TickerSettingsUi(*m_form1, m_settings, *m_ticker, *m_playbackLog, m_notifier);
    m_tickerWindows->setWorkLabelWidget(m_tickerUi->workLabel());
    m_ticker->setView(m_tickerWindows.get());
}

void Application::connectTickerToAccessories()
{
    // The engine shows each announcement's thematic picture and redraws the clock; as the
    // windows are laid out, the clock and icon windows take the strip's colour and the clock
    // its measured size.
    m_ticker->setIconSelector([this](int code) { vibor(code); });
    m_ticker->setClockRedraw([this] { requestClockRedraw(); });
    m_ticker->setDispatcherStart([this] { dispstart(); });
    m_tickerWindows->setAccessoryStyler([this](const TickerLayout& layout) {
        m_clockWindow->setBackgroundColour(layout.stripColour);
        m_clockWindow->setTransparentColour(layout.stripColour, layout.transparent);
        m_icon->setBackgroundColour(layout.stripColour);
        m_icon->setTransparentColour(layout.stripColour, layout.transparent);
        const QSize clockSize = m_clockTicker->labelSize();
        if (clockSize.isValid() && !clockSize.isEmpty())
            m_clockWindow->resize(clockSize);
    });
    // Records still in the list are written when the program ends, however it ends.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { writePendingLog(); });
}

void Application::writePendingLog()
{
    guard([this] { m_playbackLog->writePending(); });
}

void Application::buildFooter()
{
    auto* row = new QHBoxLayout();
    auto* central = m_form1->centralWidget();
    if (auto* password = qobject_cast<QLineEdit*>(m_form1->control(key::SCEdit102))) {
        password->setEchoMode(QLineEdit::Password);
        password->setPlaceholderText(QStringLiteral("Пароль администратора"));
        password->setMaximumWidth(220);
        row->addWidget(password);
    }
    auto addButton = [&](const char* name, const QString& caption, const QString& hint,
                         std::function<void()> action) {
        auto* button = new QPushButton(caption, central);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(hint);
        row->addWidget(button);
        m_form1->addComponent(button, ComponentClass::Button);
        connect(button, &QPushButton::clicked, this, [this, action] { guard(action); });
        return button;
    };
    addButton("SCButton92", QStringLiteral("Вход админа"), QString(), [this] { adminEntry(); });
    row->addStretch(1);
    addButton("SCButton10", QStringLiteral("Сохранить настройки"),
              QStringLiteral("Сохранить настройки"), [this] { Exiting(); });
    addButton("SCButton4", QStringLiteral("Автозагрузка"),
              QStringLiteral("Запись в папку \"Автозагрузка\""), [this] { fix_startExecute(); });
    addButton("SCButton5", QStringLiteral("Помощь"), QStringLiteral("Помощь"),
              [this] { run_helpExecute(); });
    addButton("SCButton6", QStringLiteral("Выход"), QStringLiteral("Выход из программы"),
              [this] { exitProgram(); });
    m_form1->footer()->addLayout(row);

    auto* foot =
        new QLabel(QStringLiteral("Velumo 7.9.10 — бегущая строка и диспетчер вещания"), central);
    foot->setObjectName(QStringLiteral("Label79"));
    foot->setEnabled(false);
    m_form1->footer()->addWidget(foot);
    m_form1->addComponent(foot, ComponentClass::FixedLabel);
}

void Application::readTranslation()
{
    const QString path = filePath(QString::fromLatin1(translationfile::kMainFileName));
    if (!QFileInfo::exists(path))
        return;
    QList<UiComponent> components = m_form1->components();
    translationfile::read(readTextLines(path, kMaxTranslationFileBytes), components);
    m_form1->applyComponents(components);
}

void Application::Initial()
{
    // The guarded section: a failure anywhere shows the loading message and skips the rest.
    try {
        configfile::load(readFileBytes(filePath(QString::fromLatin1(configfile::kFileName)),
                                       kMaxSettingsFileBytes),
                         m_settings, &m_log);
        if (m_settings.checked(key::SCCheckbox28))
            readTranslation();
        const int top = m_settings.integer(key::SCEdit94);
        const int left = m_settings.integer(key::SCEdit96);
        if (top > 0)
            m_form1->move(m_form1->x(), top);
        if (left > 0)
            m_form1->move(left, m_form1->y());
        m_panel->move(m_settings.integer(key::SCEdit98), m_settings.integer(key::SCEdit97));
        for (const char* field : {key::SCEditn1, key::SCEditn2, key::SCEditn4, key::SCEditn9,
                                  key::SCEditn5, key::SCEditn8})
            m_settings.setText(QString::fromLatin1(field), QString());
        m_clockTicker->setClockText(m_settings.text(key::SCEdit41));
        for (const char* colour : {key::SCEdit81, key::SCEdit21, key::SCEdit13, key::SCEdit19})
            m_form1->applyColourPreview(QString::fromLatin1(colour));
        if (QWidget* sample = m_form1->control(key::SCEdit82)) {
            QFont font = sample->font();
            font.setFamily(m_settings.text(key::SCEdit82));
            font.setPointSize(qBound(1, m_settings.integer(key::SCEdit85), 200));
            sample->setFont(font);
        }
        // The strip's width and the accessory windows beside its left edge.
        m_strip->resize(qMax(1, m_settings.integer(key::SCEdit77)), m_strip->height());
        m_clockWindow->move(m_settings.integer(key::SCEdit17) + m_strip->x(), m_clockWindow->y());
        m_icon->move(m_settings.integer(key::SCEdit28) + m_strip->x(),
                     m_settings.integer(key::SCEdit27));
        m_clockWindow->move(m_clockWindow->x(), m_settings.integer(key::SCEdit16));
        // Keep-on-top control, the sample font with the clock font, the thematic pictures.
        m_accessories->applyTimerStrOver();
        m_fontPage->applyStoredFonts();
        m_icons->loadAll();
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
        m_notifier.message(QString::fromUtf8(configfile::kLoadFailedMessage));
    }

    // LPT1: with the saved permission box checked, take the port and drop all pins, as
    // checking the box does. Done once the settings are read (before that the box is always
    // at its design value); a port that cannot be had is reported and the start-up goes on.
    guard([this] { m_pins->SCCheckBox26Click(); });

    // Timer7 writes the playback log; the log list shows while SCCheckbox21 is checked.
    m_playbackLog->applyTimer();
    m_tickerUi->applyLogVisibility();

    m_settings.setText(key::SCEdit68, m_settings.text(key::SCEdit5));
    m_block->updateCounters();
    if (m_settings.checked(key::SCCheckBox6)) {
        m_dispatcher->startAtStartup();
        m_dispatcherStartedAtStartup = true;
    } else {
        m_settings.setText(key::SCEditn3, QString());
        m_settings.setText(key::SCEditn5, QString());
    }
    armNetworkTimers();
    applyClosedAccess();
}

void Application::applyClosedAccess()
{
    const std::pair<const char*, const char*> boxes[] = {
        {key::SCCheckBoxpc1, "PageControl2"},
        {key::SCCheckBoxpc2, "PageControl3"},
        {key::SCCheckBoxpc3, "PageControl4"},
        {key::SCCheckBoxpc5, "PageControl7"},
    };
    for (const auto& [box, pageSet] : boxes)
        if (m_settings.checked(QString::fromLatin1(box)))
            m_form1->setPageSetVisible(QString::fromLatin1(pageSet), false);
}

void Application::adminEntry()
{
    if (m_settings.text(key::SCEdit102) == m_settings.text(key::SCEdit104)) {
        for (const char* pageSet :
             {"PageControl2", "PageControl3", "PageControl4", "PageControl5", "PageControl7"})
            m_form1->setPageSetVisible(QString::fromLatin1(pageSet), true);
        m_notifier.message(QStringLiteral("Доступ к настройкам открыт"));
    } else {
        m_notifier.message(QStringLiteral("Пароль неверен!"));
    }
}

void Application::Exiting()
{
    m_textPage->flushEdits();
    m_settings.setText(key::SCEdit94, QString::number(m_form1->y()));
    m_settings.setText(key::SCEdit96, QString::number(m_form1->x()));
    m_settings.setText(key::SCEdit97, QString::number(m_panel->y()));
    m_settings.setText(key::SCEdit98, QString::number(m_panel->x()));
    m_settings.setText(key::SCEdit11, QDate::currentDate().toString(u"dd.MM.yy"));
    try {
        // Both files in one pass over the components; each replaced atomically, so a failed
        // save leaves the previous settings whole.
        const QByteArray config = configfile::save(m_settings, m_form1->componentNames());
        const QStringList translation = translationfile::write(m_form1->components());
        writeFileAtomic(filePath(QString::fromLatin1(configfile::kFileName)), config, 0600, true);
        writeTextLines(filePath(QString::fromLatin1(translationfile::kMainFileName)), translation);
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
        m_notifier.message(QString::fromUtf8(configfile::kWriteFailedMessage));
    }
}

void Application::FormClose()
{
    shutDown({m_clip, m_capture, m_panel});
}

void Application::exitProgram()
{
    shutDown({m_icon, m_clockWindow, m_strip, m_clip, m_capture, m_flash, m_titles});
}

void Application::shutDown(std::initializer_list<QWidget*> windowsToClose)
{
    if (m_closing)
        return;
    m_closing = true;
    Exiting();
    m_ticker->setTickerRunning(false);
    writePendingLog();
    for (QWidget* window : windowsToClose)
        if (window)
            window->close();
    m_form1->hide();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void Application::loadBlockFile(const QString& path)
{
    m_settings.setText(key::SCEdit5, path);
    m_block->LoadTickerFile(path, m_clock.now(), [this](qsizetype position, qsizetype maximum) {
        m_textPage->setProgress(position, maximum);
    });
}

void Application::saveBlockFile(const QString& path)
{
    m_textPage->flushEdits();
    m_settings.setText(key::SCEdit5, path);
    m_block->save(path);
}

void Application::autostartR()
{
    guard([this] {
        m_block->LoadTickerFile(m_settings.text(key::SCEdit5), m_clock.now(),
                                [this](qsizetype position, qsizetype maximum) {
                                    m_textPage->setProgress(position, maximum);
                                });
    });
    // The direct start also starts the dispatcher (dispstart) when SCCheckBox6 is checked.
    guard([this] { m_ticker->BitBtn2Click(); });
}

void Application::fix_startExecute()
{
    if (!m_notifier.confirm(
            QStringLiteral("Прописка программы в автозагрузке"),
            QStringLiteral("Вы уверенны,что программа должна запускаться из текущего "
                           "места на диске при следующей загрузке Windows?")))
        return;
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QLatin1String("/.config");
    const QString folder = configHome + QLatin1String("/autostart");
    if (!QDir().mkpath(folder))
        throw Failure(QStringLiteral("Cannot create folder \"%1\"").arg(folder));
    const QString entry =
        autostartentry::desktopEntry(QCoreApplication::applicationFilePath(), m_folder);
    writeFileAtomic(folder + u'/' + QLatin1String(autostartentry::kFileName), entry.toUtf8());
    m_notifier.message(QStringLiteral(
        "Внесен пункт  меню \"Пуск\\Программы\\Автозагрузка\\Velumo\".После перезагрузки программа "
        "\"Velumo7\" стартует автоматически в режиме \"Бегущая строка\"."));
}

void Application::run_helpExecute()
{
    m_notifier.message(
        QStringLiteral("Velumo — бегущая строка и диспетчер вещания.\nСправка и "
                       "техническая поддержка: https://velumo.example.org/support"));
}

void Application::registerCommands()
{
    ControlServer& c = *m_control;
    registerNetworkCommands();
    c.addStatus(QStringLiteral("program_folder"), [this] { return QJsonValue(m_folder); });
    c.addStatus(QStringLiteral("block"), [this] {
        m_textPage->flushEdits();
        return QJsonValue(m_block->statusJson(m_settings.text(key::SCEdit5)));
    });
    c.addCommand(QStringLiteral("show"), [this](const QString&) {
        m_form1->showNormal();
        m_form1->raise();
        m_form1->activateWindow();
        return QString();
    });
    c.addCommand(QStringLiteral("close"), [this](const QString&) {
        m_form1->close();
        return QString();
    });
    c.addCommand(QStringLiteral("save"), [this](const QString&) {
        Exiting();
        return QString();
    });
    c.addCommand(QStringLiteral("block load"), [this](const QString& path) {
        if (path.isEmpty())
            throw Failure(QStringLiteral("block load needs a file path"));
        loadBlockFile(path);
        return QString::number(m_block->text().size());
    });
    c.addCommand(QStringLiteral("block save"), [this](const QString& path) {
        if (path.isEmpty())
            throw Failure(QStringLiteral("block save needs a file path"));
        saveBlockFile(path);
        return QString();
    });
    registerTickerCommands();
    c.addCommand(QStringLiteral("get"), [this](const QString& name) {
        if (!m_settings.contains(name))
            throw Failure(QStringLiteral("no setting named %1").arg(name));
        return m_settings.text(name);
    });

    // Accessories: the thematic icon of a block, the clock beside the strip.
    c.addCommand(QStringLiteral("vibor"), [this](const QString& index) {
        vibor(strToInt(index));
        return QString();
    });
    c.addStatus(QStringLiteral("clock"), [this] {
        return QJsonValue(QJsonObject{
            {QStringLiteral("text"), m_clockTicker->ClockText()},
            {QStringLiteral("string"), m_clockTicker->clockString()},
            {QStringLiteral("redraw_counter"), m_clockTicker->ClockRedrawCounter()},
            {QStringLiteral("visible"), m_clockWindow->isVisible()},
            {QStringLiteral("icon_visible"), m_icon->isVisible()},
        });
    });
}

void Application::registerTickerCommands()
{
    ControlServer& c = *m_control;
    c.addStatus(QStringLiteral("ticker"), [this] {
        return QJsonValue(QJsonObject{
            {QStringLiteral("running"), m_ticker->TickerRunning()},
            {QStringLiteral("current_line"), m_ticker->CurrentLine()},
            {QStringLiteral("resume_line"), m_ticker->ResumeLine()},
            {QStringLiteral("block_run_count"), m_ticker->BlockRunCount()},
            {QStringLiteral("halt_pending"), m_ticker->haltPending()},
        });
    });
    c.addCommand(QStringLiteral("ticker start"), [this](const QString&) {
        m_ticker->SCButton3Click();
        return QString();
    });
    c.addCommand(QStringLiteral("ticker stop"), [this](const QString&) {
        m_ticker->StopTicker();
        return QString();
    });
    c.addCommand(QStringLiteral("ticker continue"), [this](const QString&) {
        m_ticker->ContinueTicker();
        return QString();
    });
    c.addCommand(QStringLiteral("ticker restart"), [this](const QString&) {
        m_ticker->restartBlock();
        return QString();
    });
    c.addCommand(QStringLiteral("phrase"), [this](const QString& text) {
        m_ticker->setPanelPhrase(text);
        return QString();
    });
    c.addCommand(QStringLiteral("log write"), [this](const QString&) {
        m_playbackLog->Timer7Timer();
        return m_settings.text(key::SCEdit88);
    });
}

// ---- Network exchange: FTP receive and transmit, dial-up, RSS -------------------------------

void Application::createNetwork()
{
    m_dialUp = std::make_unique<DialUp>(m_notifier, &m_log);
    m_ftp = std::make_unique<FtpExchange>(m_settings, *m_block, *m_dialUp, m_notifier, &m_log,
                                          m_timers, m_folder);
    m_rss = std::make_unique<RssFeed>(m_settings, *m_block, m_notifier, &m_log, m_timers, m_folder);
}

void Application::createNetworkPages()
{
    m_netPages = new NetworkPages(*m_form1, m_settings, m_notifier, *m_ftp, *m_dialUp);
    new RssPage(*m_form1, m_notifier, *m_rss);
    m_netPages->saveSettings = [this] { Exiting(); };
    m_ftp->flushTicker = [this] { m_textPage->flushEdits(); };
    m_rss->flushTicker = [this] { m_textPage->flushEdits(); };
}

void Application::armNetworkTimers()
{
    // Start-up step 6: automatic FTP runs and feed reading with their stored periods.
    m_ftp->armAutomaticRuns();
    m_rss->armAtStartup();
}

void Application::registerNetworkCommands()
{
    ControlServer& c = *m_control;
    auto side = [](const QString& argument) {
        if (argument == QLatin1String("receive"))
            return FtpExchange::Receive;
        if (argument == QLatin1String("transmit"))
            return FtpExchange::Transmit;
        throw Failure(QStringLiteral("say receive or transmit"));
    };
    c.addCommand(QStringLiteral("ftp connect"), [this, side](const QString& argument) {
        side(argument) == FtpExchange::Receive ? m_ftp->SCButton57Click()
                                               : m_ftp->SCButton59Click();
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp disconnect"), [this, side](const QString& argument) {
        side(argument) == FtpExchange::Receive ? m_ftp->SCButton58Click()
                                               : m_ftp->SCButton60Click();
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp receive"), [this](const QString&) {
        if (!m_ftp->SCButton61Click())
            throw Failure(QStringLiteral("the previous receive run has not ended"));
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp transmit"), [this](const QString&) {
        if (!m_ftp->SCButton62Click())
            throw Failure(QStringLiteral("the previous transmit run has not ended"));
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp add-upload"), [this](const QString& path) {
        if (path.isEmpty())
            throw Failure(QStringLiteral("ftp add-upload needs a file path"));
        m_ftp->addUpload(path);
        return QString::number(m_ftp->LBlist2().size());
    });
    c.addCommand(QStringLiteral("dialup list"), [this, side](const QString& argument) {
        m_dialUp->SelectConnections(side(argument) == FtpExchange::Receive ? DialUp::In
                                                                           : DialUp::Out);
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("dialup up"), [this, side](const QString& argument) {
        m_dialUp->ConnectURL(m_settings.text(
            side(argument) == FtpExchange::Receive ? key::SCEdit86 : key::SCEdit95));
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("dialup down"), [this](const QString&) {
        m_dialUp->DisconnectURL();
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("rss read"), [this](const QString&) {
        m_rss->SCButton12Click();
        return QStringLiteral("queued");
    });
    c.addStatus(QStringLiteral("ftp"), [this] {
        QJsonObject receive{{QStringLiteral("connected"), m_ftp->connected(FtpExchange::Receive)},
                            {QStringLiteral("running"), m_ftp->running(FtpExchange::Receive)},
                            {QStringLiteral("listed"), toJson(m_ftp->lbList())}};
        QJsonObject transmit{{QStringLiteral("connected"), m_ftp->connected(FtpExchange::Transmit)},
                             {QStringLiteral("running"), m_ftp->running(FtpExchange::Transmit)},
                             {QStringLiteral("queue"), toJson(m_ftp->LBlist2())}};
        return QJsonValue(QJsonObject{{QStringLiteral("receive"), receive},
                                      {QStringLiteral("transmit"), transmit}});
    });
    c.addStatus(QStringLiteral("dialup"), [this] {
        return QJsonValue(
            QJsonObject{{QStringLiteral("entries_in"), toJson(m_dialUp->entries(DialUp::In))},
                        {QStringLiteral("entries_out"), toJson(m_dialUp->entries(DialUp::Out))},
                        {QStringLiteral("handle"), m_dialUp->DialUpHandle()},
                        {QStringLiteral("state"), m_dialUp->statusText()}});
    });
    c.addStatus(QStringLiteral("rss"), [this] {
        return QJsonValue(QJsonObject{{QStringLiteral("last_address"), m_rss->shownAddress()},
                                      {QStringLiteral("lines"), qint64(m_rss->feedLines())},
                                      {QStringLiteral("reading"), m_rss->busy()}});
    });
}

// ---- Dispatcher ----

void Application::createDispatcher()
{
    m_players = std::make_unique<LoggingContentPlayers>(m_log);
    EntryDevices devices{
        tickerControl(), *m_block, *m_pins, *m_tones, *m_broadcastMute, *m_players, [this] {
            requestClockRedraw();
        }};
    m_dispatcher = std::make_unique<DispatcherEngine>(m_folder, m_settings, m_notifier, m_log,
                                                      m_clock, m_timers, std::move(devices));
    m_planner = std::make_unique<Planner>(m_notifier);
}

void Application::createDispatcherPages()
{
    m_dispatcherPage =
        new DispatcherPage(*m_form1, *m_panel, *m_dispatcher, m_settings, m_notifier, m_folder);
    m_plannerPage =
        new PlannerPage(*m_form1, *m_planner, m_settings, m_notifier, m_clock, m_folder);
}

void Application::dispstart()
{
    if (m_settings.checked(key::SCCheckBox6))
        guard([this] { m_dispatcher->dispstart(); });
}

void Application::registerDispatcherCommands()
{
    ControlServer& c = *m_control;
    c.addStatus(QStringLiteral("dispatcher"),
                [this] { return QJsonValue(m_dispatcher->status()); });
    c.addCommand(QStringLiteral("dispatcher start"), [this](const QString&) {
        m_dispatcher->SCButton43Click();
        return QString();
    });
    c.addCommand(QStringLiteral("dispatcher stop"), [this](const QString&) {
        m_dispatcher->SCButton44Click();
        return QString();
    });
}

}  // namespace velumo
