#include "shellmodule.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDate>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/operations.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/version.h"
#include "panel/controlpanel.h"
#include "panel/firststartlayout.h"
#include "ui/mainpagebar.h"
#include "ui/settingswindow.h"
#include "ui/shellcontrol.h"

namespace velumo {

namespace {

// Keeps a sideways-scrolling row as tall as its content, and its scroll bar when that shows.
void keepRowHeight(QScrollArea* area)
{
    const auto fit = [area] {
        const QScrollBar* bar = area->horizontalScrollBar();
        const int height = area->widget() ? area->widget()->sizeHint().height() : 0;
        area->setFixedHeight(height + (bar->isVisible() ? bar->sizeHint().height() : 0));
    };
    for (QObject* watched :
         {static_cast<QObject*>(area), static_cast<QObject*>(area->horizontalScrollBar())})
        filterEventsGuarded(
            watched, Origin::byOperator(QStringLiteral("shellmodule")), [fit](QEvent* event) {
                if (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
                    event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
                    fit();
                return false;
            });
    fit();
}

// The main settings window as the shell's logic sees it.
class SettingsWindowShell final : public ShellWindow {
public:
    explicit SettingsWindowShell(SettingsWindow& window) : m_window(window) {}
    void setPageSetVisible(const QString& pageSet, bool visible) override
    {
        m_window.setPageSetVisible(pageSet, visible);
    }
    QStringList componentNames() const override { return m_window.componentNames(); }
    QList<UiComponent> components() const override { return m_window.components(); }
    void applyComponents(const QList<UiComponent>& components) override
    {
        m_window.applyComponents(components);
    }
    QPoint position() const override { return m_window.pos(); }
    void move(const QPoint& topLeft) override { m_window.move(topLeft); }

private:
    SettingsWindow& m_window;
};

}  // namespace

ShellModule::ShellModule(const Services& services)
    : m_services(services),
      m_window(std::make_unique<SettingsWindowShell>(services.window)),
      m_control(std::make_unique<ShellControl>(services.folder, services.settings,
                                               services.notifier, services.log, *m_window))
{
    buildFooter();
    registerCommands();
}

ShellModule::~ShellModule() = default;

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
    addButton("SCButton92", QStringLiteral("Вход админа"), QString(),
              [this] { m_control->adminEntry(); });
    row->addStretch(1);
    addButton("SCButton10", QStringLiteral("Сохранить настройки"),
              QStringLiteral("Сохранить настройки"),
              [&operations] { operations.run(QStringLiteral("save")); });
    addButton("SCButton4", QStringLiteral("Автозагрузка"),
              QStringLiteral("Запись в папку \"Автозагрузка\""),
              [this] { m_control->fix_startExecute(QCoreApplication::applicationFilePath()); });
    addButton("SCButton5", QStringLiteral("Помощь"), QStringLiteral("Помощь"),
              [this] { run_helpExecute(); });
    addButton("SCButton6", QStringLiteral("Выход"), QStringLiteral("Выход из программы"),
              [&operations] { operations.run(QStringLiteral("exit")); });
    // The row scrolls sideways on a screen too narrow for all of it: the window never needs
    // more width than the screen has.
    auto* rowWidget = new QWidget(central);
    rowWidget->setLayout(row);
    row->setContentsMargins(0, 0, 0, 0);
    auto* rowArea = new QScrollArea(central);
    rowArea->setFrameShape(QFrame::NoFrame);
    rowArea->setWidgetResizable(true);
    rowArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rowArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    rowArea->setWidget(rowWidget);
    keepRowHeight(rowArea);
    window.footer()->addWidget(rowArea);
    // The second exit, on the tool bar, ends the program the same way. It has no line of its
    // own in velumo_lang.cfg, whose lines stay those of earlier versions.
    QPushButton* exit =
        mainpagebar::addButton(window, QStringLiteral("SCButton77"), QStringLiteral("Выход"),
                               QStringLiteral("Выход из программы"), true);
    connectGuarded(exit, &QPushButton::clicked, exit,
                   Origin::byOperator(QStringLiteral("shellmodule")), [this, &operations] {
                       m_services.guard([&operations] { operations.run(QStringLiteral("exit")); });
                   });

    auto* foot = new QLabel(
        QStringLiteral("Velumo %1 — бегущая строка и диспетчер вещания").arg(programVersion()),
        central);
    foot->setObjectName(QStringLiteral("Label79"));
    foot->setEnabled(false);
    window.footer()->addWidget(foot);
    window.addComponent(foot, ComponentClass::FixedLabel);
}

void ShellModule::loadSettingsFiles()
{
    Settings& settings = m_services.settings;
    SettingsWindow& window = m_services.window;
    m_control->loadSettingsFiles();
    for (const char* colour : {key::SCEdit81, key::SCEdit21, key::SCEdit13, key::SCEdit19})
        window.applyColourPreview(QString::fromLatin1(colour));
    if (QWidget* sample = window.control(key::SCEdit82)) {
        QFont font = sample->font();
        font.setFamily(settings.text(key::SCEdit82));
        font.setPointSize(qBound(1, settings.integer(key::SCEdit85), 200));
        sample->setFont(font);
    }
}

bool ShellModule::firstStart() const
{
    return m_control->firstStart();
}

void ShellModule::placeOnFirstStart(QWidget& panel, QWidget& clock, QWidget& icon)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    Settings& s = m_services.settings;
    const QRect available = screen->availableGeometry();
    const FirstStartPlan plan = planFirstStart(
        s, available, SettingsWindow::initialSize(available.size()),
        QSize(kMinimumWidth, kMinimumHeight), panel.frameSize().expandedTo(ControlPanel::kSize),
        clock.frameSize().expandedTo(QSize(kClockWidth, 1)));
    m_services.window.resize(plan.windows.main.size());
    m_services.window.move(plan.windows.main.topLeft());
    // The panel stands where its module put it: a stored place, or this layout's
    // (firstStartPanelPlace).
    if (plan.clockMoved)
        clock.move(plan.windows.clock);
    if (plan.iconMoved)
        icon.move(plan.windows.icon);
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
