#include "shellmodule.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "base/autostartentry.h"
#include "base/configfile.h"
#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/operations.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/translationfile.h"
#include "panel/controlpanel.h"
#include "panel/panelplacement.h"
#include "ticker/accessorygeometry.h"
#include "ui/mainpagebar.h"
#include "ui/settingswindow.h"

namespace velumo {

ShellModule::ShellModule(const Services& services) : m_services(services)
{
    buildFooter();
    registerCommands();
}

void ShellModule::buildFooter()
{
    SettingsWindow& window = m_services.window;
    auto* row = new QHBoxLayout();
    auto* central = window.centralWidget();
    if (auto* password = qobject_cast<QLineEdit*>(window.control(key::SCEdit102))) {
        password->setEchoMode(QLineEdit::Password);
        password->setPlaceholderText(QStringLiteral("Пароль администратора"));
        password->setMaximumWidth(220);
        // Wide enough to show its placeholder whole.
        password->setMinimumWidth(std::min(
            220, password->fontMetrics().horizontalAdvance(password->placeholderText()) + 24));
        row->addWidget(password);
    }
    auto addButton = [&](const char* name, const QString& caption, const QString& hint,
                         std::function<void()> action) {
        auto* button = new QPushButton(caption, central);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(hint);
        row->addWidget(button);
        window.addComponent(button, ComponentClass::Button);
        connectGuarded(button, &QPushButton::clicked, button,
                       Origin::byOperator(QStringLiteral("shellmodule")),
                       [this, action] { m_services.guard(action); });
    };
    Operations& operations = m_services.operations;
    addButton("SCButton92", QStringLiteral("Вход админа"), QString(), [this] { adminEntry(); });
    row->addStretch(1);
    addButton("SCButton10", QStringLiteral("Сохранить настройки"),
              QStringLiteral("Сохранить настройки"),
              [&operations] { operations.run(QStringLiteral("save")); });
    addButton("SCButton4", QStringLiteral("Автозагрузка"),
              QStringLiteral("Запись в папку \"Автозагрузка\""), [this] { fix_startExecute(); });
    addButton("SCButton5", QStringLiteral("Помощь"), QStringLiteral("Помощь"),
              [this] { run_helpExecute(); });
    addButton("SCButton6", QStringLiteral("Выход"), QStringLiteral("Выход из программы"),
              [&operations] { operations.run(QStringLiteral("exit")); });
    window.footer()->addLayout(row);
    // The second exit, on the tool bar, ends the program the same way. It has no line of its
    // own in velumo_lang.cfg, whose lines stay those of earlier versions.
    QPushButton* exit =
        mainpagebar::addButton(window, QStringLiteral("SCButton77"), QStringLiteral("Выход"),
                               QStringLiteral("Выход из программы"), true);
    connectGuarded(exit, &QPushButton::clicked, exit,
                   Origin::byOperator(QStringLiteral("shellmodule")), [this, &operations] {
                       m_services.guard([&operations] { operations.run(QStringLiteral("exit")); });
                   });

    auto* foot =
        new QLabel(QStringLiteral("Velumo 7.9.10 — бегущая строка и диспетчер вещания"), central);
    foot->setObjectName(QStringLiteral("Label79"));
    foot->setEnabled(false);
    window.footer()->addWidget(foot);
    window.addComponent(foot, ComponentClass::FixedLabel);
}

void ShellModule::loadSettingsFiles()
{
    Settings& settings = m_services.settings;
    SettingsWindow& window = m_services.window;
    configfile::load(readFileBytes(m_services.filePath(QString::fromLatin1(configfile::kFileName)),
                                   kMaxSettingsFileBytes),
                     settings, &m_services.log);
    if (settings.checked(key::SCCheckbox28))
        readTranslation();
    const int top = settings.integer(key::SCEdit94);
    const int left = settings.integer(key::SCEdit96);
    if (top > 0)
        window.move(window.x(), top);
    if (left > 0)
        window.move(left, window.y());
    if (top <= 0 && left <= 0)
        placeOnFirstStart();
    for (const char* colour : {key::SCEdit81, key::SCEdit21, key::SCEdit13, key::SCEdit19})
        window.applyColourPreview(QString::fromLatin1(colour));
    if (QWidget* sample = window.control(key::SCEdit82)) {
        QFont font = sample->font();
        font.setFamily(settings.text(key::SCEdit82));
        font.setPointSize(qBound(1, settings.integer(key::SCEdit85), 200));
        sample->setFont(font);
    }
}

void ShellModule::placeOnFirstStart()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const Settings& s = m_services.settings;
    // The strip where its settings put it on air; the window keeps clear of it when it can.
    const int stripHeight = qBound(20, 2 * s.integer(key::SCEdit18), 200);
    // A clock standing just above or below the strip is kept clear of with it.
    const QRect strip = stripWithClock(s, stripHeight);
    const QRect placed =
        firstMainWindowGeometry(screen->availableGeometry(), m_services.window.size(), strip,
                                ControlPanel::kSize, QSize(kMinimumWidth, kMinimumHeight));
    m_services.window.resize(placed.size());
    m_services.window.move(placed.topLeft());
}

void ShellModule::readTranslation()
{
    const QString path = m_services.filePath(QString::fromLatin1(translationfile::kMainFileName));
    if (!QFileInfo::exists(path))
        return;
    QList<UiComponent> components = m_services.window.components();
    translationfile::read(readTextLines(path, kMaxTranslationFileBytes), components);
    m_services.window.applyComponents(components);
}

void ShellModule::applyClosedAccess()
{
    const std::pair<const char*, const char*> boxes[] = {
        {key::SCCheckBoxpc1, "PageControl2"},
        {key::SCCheckBoxpc2, "PageControl3"},
        {key::SCCheckBoxpc3, "PageControl4"},
        {key::SCCheckBoxpc5, "PageControl7"},
    };
    for (const auto& [box, pageSet] : boxes)
        if (m_services.settings.checked(QString::fromLatin1(box)))
            m_services.window.setPageSetVisible(QString::fromLatin1(pageSet), false);
}

void ShellModule::adminEntry()
{
    const Settings& settings = m_services.settings;
    if (settings.text(key::SCEdit102) == settings.text(key::SCEdit104)) {
        for (const char* pageSet :
             {"PageControl2", "PageControl3", "PageControl4", "PageControl5", "PageControl7"})
            m_services.window.setPageSetVisible(QString::fromLatin1(pageSet), true);
        m_services.notifier.message(QStringLiteral("Доступ к настройкам открыт"));
    } else {
        m_services.notifier.message(QStringLiteral("Пароль неверен!"));
    }
}

void ShellModule::storePosition()
{
    Settings& settings = m_services.settings;
    settings.setText(key::SCEdit94, QString::number(m_services.window.y()));
    settings.setText(key::SCEdit96, QString::number(m_services.window.x()));
    settings.setText(key::SCEdit11, QDate::currentDate().toString(u"dd.MM.yy"));
}

void ShellModule::saveSettingsFiles()
{
    try {
        // Each file is replaced atomically, so a failed save leaves the previous settings whole.
        const QByteArray config =
            configfile::save(m_services.settings, m_services.window.componentNames());
        const QStringList translation = translationfile::write(m_services.window.components());
        writeFileAtomic(m_services.filePath(QString::fromLatin1(configfile::kFileName)), config,
                        0600, true);
        writeTextLines(m_services.filePath(QString::fromLatin1(translationfile::kMainFileName)),
                       translation);
    } catch (...) {
        m_services.log.write(QStringLiteral("error"), currentExceptionText());
        m_services.notifier.message(QString::fromUtf8(configfile::kWriteFailedMessage));
    }
}

void ShellModule::fix_startExecute()
{
    if (!m_services.notifier.confirm(
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
        autostartentry::desktopEntry(QCoreApplication::applicationFilePath(), m_services.folder);
    writeFileAtomic(folder + u'/' + QLatin1String(autostartentry::kFileName), entry.toUtf8());
    m_services.notifier.message(QStringLiteral(
        "Внесен пункт  меню \"Пуск\\Программы\\Автозагрузка\\Velumo\".После перезагрузки программа "
        "\"Velumo7\" стартует автоматически в режиме \"Бегущая строка\"."));
}

void ShellModule::run_helpExecute()
{
    m_services.notifier.message(
        QStringLiteral("Velumo — бегущая строка и диспетчер вещания.\nСправка и "
                       "техническая поддержка: https://velumo.example.org/support"));
}

void ShellModule::registerCommands()
{
    ControlServer& c = m_services.control;
    c.addStatus(QStringLiteral("program_folder"), [this] { return QJsonValue(m_services.folder); });
    c.addCommand(QStringLiteral("show"), [this](const QString&) {
        m_services.window.showNormal();
        m_services.window.raise();
        m_services.window.activateWindow();
        return QString();
    });
    c.addCommand(QStringLiteral("close"), [this](const QString&) {
        m_services.window.close();
        return QString();
    });
    c.addCommand(QStringLiteral("get"), [this](const QString& name) {
        if (!m_services.settings.contains(name))
            throw Failure(QStringLiteral("no setting named %1").arg(name));
        return m_services.settings.text(name);
    });
}

}  // namespace velumo
