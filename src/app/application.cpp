#include "application.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/configfile.h"
#include "app/failure.h"
#include "app/guard.h"
#include "app/settingskeys.h"
#include "app/stubs.h"
#include "app/textfile.h"
#include "app/translationfile.h"
#include "devices/lptpins.h"
#include "devices/parallelport.h"
#include "devices/powercontrol.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/dispatcherpage.h"
#include "dispatcher/loggingcontentplayers.h"
#include "dispatcher/plandiagramwindow.h"
#include "dispatcher/planner.h"
#include "dispatcher/plannerpage.h"
#include "panel/clockwindow.h"
#include "panel/controlpanel.h"
#include "panel/iconwindow.h"
#include "players/capturewindow.h"
#include "players/clipwindow.h"
#include "players/flashwindow.h"
#include "players/titleswindow.h"
#include "players/webwindow.h"
#include "ticker/stripwindow.h"
#include "ticker/tickerblock.h"
#include "ui/clickfilter.h"
#include "ui/settingswindow.h"
#include "ui/tickertextpage.h"

namespace velumo {

namespace {

const QString kCountersMessage =
    QStringLiteral("Для обработки тарифов, количество строк должно быть одинаковым");

QJsonArray toJson(const QStringList& lines)
{
    return QJsonArray::fromStringList(lines);
}

}  // namespace

Application::Application(QString programFolder, const CommandLine& commandLine,
                         PowerControl& power)
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
    return *m_tickerStub;
}

void Application::guard(const std::function<void()>& body)
{
    guarded(m_notifier, body);
}

bool Application::start()
{
    m_control = std::make_unique<ControlServer>(m_folder, m_notifier, &m_log, this);
    if (!m_control->listen())
        return false;
    QApplication::setApplicationDisplayName(QStringLiteral("Велумо"));
    m_block = std::make_unique<TickerBlock>(m_settings);
    m_port = std::make_unique<MemoryParallelPort>();
    m_pins = std::make_unique<LptPins>(m_settings, *m_port);
    m_tones = std::make_unique<SilentTonePlayer>();
    m_mute = std::make_unique<NoMasterMute>();
    m_tickerStub = std::make_unique<StubTickerControl>();
    createDispatcher();

    createWindows();
    createDispatcherPages();
    registerCommands();
    registerDispatcherCommands();
    Initial();
    m_form1->show();
    if (m_commandLine.autostart)
        autostartR();
    return true;
}

void Application::createWindows()
{
    m_form1 = new SettingsWindow(m_settings);
    m_textPage = new TickerTextPage(*m_form1, *m_block, m_folder);
    buildFooter();

    connect(m_form1, &SettingsWindow::closeRequested, this, [this] { guard([this] { FormClose(); }); });
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
    m_icon = new IconWindow();
    m_clockWindow = new ClockWindow();
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
    addButton("SCButton10", QStringLiteral("Сохранить настройки"), QStringLiteral("Сохранить настройки"),
              [this] { Exiting(); });
    addButton("SCButton4", QStringLiteral("Автозагрузка"), QStringLiteral("Запись в папку \"Автозагрузка\""),
              [this] { fix_startExecute(); });
    addButton("SCButton5", QStringLiteral("Помощь"), QStringLiteral("Помощь"), [this] { run_helpExecute(); });
    addButton("SCButton6", QStringLiteral("Выход"), QStringLiteral("Выход из программы"),
              [this] { exitProgram(); });
    m_form1->footer()->addLayout(row);

    auto* foot = new QLabel(QStringLiteral("Velumo 7.9.10 — бегущая строка и диспетчер вещания"), central);
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
    translationfile::read(readTextLines(path), components);
    m_form1->applyComponents(components);
}

void Application::Initial()
{
    // The guarded section: a failure anywhere shows the loading message and skips the rest.
    try {
        configfile::load(readFileBytes(filePath(QString::fromLatin1(configfile::kFileName))),
                         m_settings);
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
        for (const char* colour : {key::SCEdit81, key::SCEdit21, key::SCEdit13, key::SCEdit19})
            m_form1->applyColourPreview(QString::fromLatin1(colour));
        if (QWidget* sample = m_form1->control(key::SCEdit82)) {
            QFont font = sample->font();
            font.setFamily(m_settings.text(key::SCEdit82));
            font.setPointSize(qBound(1, m_settings.integer(key::SCEdit85), 200));
            sample->setFont(font);
        }
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
        m_notifier.message(QString::fromUtf8(configfile::kLoadFailedMessage));
    }

    m_settings.setText(key::SCEdit68, m_settings.text(key::SCEdit5));
    m_block->updateCounters();
    if (m_settings.checked(key::SCCheckBox6)) {
        m_dispatcher->startAtStartup();
        m_dispatcherStartedAtStartup = true;
    } else {
        m_settings.setText(key::SCEditn3, QString());
        m_settings.setText(key::SCEditn5, QString());
    }
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
    if (m_closing)
        return;
    m_closing = true;
    Exiting();
    m_clip->close();
    m_capture->close();
    m_panel->close();
    m_form1->hide();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void Application::exitProgram()
{
    if (m_closing)
        return;
    m_closing = true;
    Exiting();
    for (QWidget* window : std::initializer_list<QWidget*>{m_icon, m_clockWindow, m_strip, m_clip,
                                                           m_capture, m_flash, m_titles})
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
        m_block->LoadTickerFile(m_settings.text(key::SCEdit5), m_clock.now());
    });
    if (m_settings.checked(key::SCCheckBox6))
        guard([this] { m_dispatcher->dispstart(); });
}

void Application::fix_startExecute()
{
    if (!m_notifier.confirm(QStringLiteral("Прописка программы в автозагрузке"),
                            QStringLiteral("Вы уверенны,что программа должна запускаться из текущего "
                                           "места на диске при следующей загрузке Windows?")))
        return;
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QLatin1String("/.config");
    const QString folder = configHome + QLatin1String("/autostart");
    if (!QDir().mkpath(folder))
        throw Failure(QStringLiteral("Cannot create folder \"%1\"").arg(folder));
    const QString program = QCoreApplication::applicationFilePath();
    auto quote = [](QString text) {
        text.replace(u'\\', QLatin1String("\\\\"));
        text.replace(u'"', QLatin1String("\\\""));
        return u'"' + text + u'"';
    };
    const QString entry = QStringLiteral(
                              "[Desktop Entry]\nType=Application\nName=Velumo\nComment=Бегущая строка\n"
                              "Exec=%1 --dir %2 r\nPath=%3\nTerminal=false\nX-GNOME-Autostart-enabled=true\n")
                              .arg(quote(program), quote(m_folder), m_folder);
    writeFileAtomic(folder + QLatin1String("/velumo.desktop"), entry.toUtf8());
    m_notifier.message(QStringLiteral(
        "Внесен пункт  меню \"Пуск\\Программы\\Автозагрузка\\Velumo\".После перезагрузки программа "
        "\"Velumo7\" стартует автоматически в режиме \"Бегущая строка\"."));
}

void Application::run_helpExecute()
{
    m_notifier.message(QStringLiteral("Velumo — бегущая строка и диспетчер вещания.\nСправка и "
                                      "техническая поддержка: https://velumo.example.org/support"));
}

void Application::registerCommands()
{
    ControlServer& c = *m_control;
    c.addStatus(QStringLiteral("program_folder"), [this] { return QJsonValue(m_folder); });
    c.addStatus(QStringLiteral("block"), [this] {
        m_textPage->flushEdits();
        QJsonObject block;
        block.insert(QStringLiteral("file"), m_settings.text(key::SCEdit5));
        block.insert(QStringLiteral("text"), toJson(m_block->text()));
        block.insert(QStringLiteral("index"), toJson(m_block->index()));
        block.insert(QStringLiteral("tariff"), toJson(m_block->tariff()));
        return QJsonValue(block);
    });
    c.addStatus(QStringLiteral("ticker"), [] {
        return QJsonValue(QJsonObject{{QStringLiteral("running"), false}});
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
    c.addCommand(QStringLiteral("get"), [this](const QString& name) {
        if (!m_settings.contains(name))
            throw Failure(QStringLiteral("no setting named %1").arg(name));
        return m_settings.text(name);
    });
}

// ---- Dispatcher ----

void Application::createDispatcher()
{
    m_players = std::make_unique<LoggingContentPlayers>(m_log);
    EntryDevices devices{tickerControl(), *m_block, *m_pins, *m_tones, *m_mute, *m_players,
                         // The clock window redraws on the next second once it is wired here.
                         [] {}};
    m_dispatcher = std::make_unique<DispatcherEngine>(m_folder, m_settings, m_notifier, m_log,
                                                      m_clock, m_timers, std::move(devices));
    m_planner = std::make_unique<Planner>(m_notifier);
}

void Application::createDispatcherPages()
{
    m_dispatcherPage =
        new DispatcherPage(*m_form1, *m_panel, *m_dispatcher, m_settings, m_notifier, m_folder);
    m_plannerPage = new PlannerPage(*m_form1, *m_planner, m_settings, m_notifier, m_clock, m_folder);
}

void Application::dispstart()
{
    if (m_settings.checked(key::SCCheckBox6))
        guard([this] { m_dispatcher->dispstart(); });
}

void Application::registerDispatcherCommands()
{
    ControlServer& c = *m_control;
    c.addStatus(QStringLiteral("dispatcher"), [this] { return QJsonValue(m_dispatcher->status()); });
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
