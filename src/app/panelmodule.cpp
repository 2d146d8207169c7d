#include "panelmodule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/shellmodule.h"
#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/operations.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/translationfile.h"
#include "dispatcher/dispatcherengine.h"
#include "panel/clockticker.h"
#include "panel/controlpanel.h"
#include "panel/firststartlayout.h"
#include "panel/paneldock.h"
#include "panel/paneldockplace.h"
#include "panel/panelphrases.h"
#include "panel/panelplacement.h"
#include "panel/systemtrayicon.h"
#include "ticker/accessorygeometry.h"
#include "ui/settingswindow.h"
#include "ui/shellcontrol.h"

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
    guarded(m_services.notifier, [this] { m_phrases->load(filePath(PanelPhrases::kFileName)); });
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
                   Origin::byOperator(QStringLiteral("panelmodule")), &PanelModule::writeFiles);
    // However the program ends, the phrases and the texts are written.
    connectGuarded(qApp, &QCoreApplication::aboutToQuit, this,
                   Origin::unattended(QStringLiteral("panelmodule")), &PanelModule::writeFiles);
    m_dock = new PanelDock(m_services.window, *m_panel, m_services.notifier);
    registerOperations();
    addMainWindowButtons();
    // Where a first start (no velumo.cfg, so Initial reads no position) shows the panel.
    guarded(m_services.notifier, [this] { applyPosition(); });
    guarded(m_services.notifier,
            [this] { m_dock->place(PanelDockPlace::load(filePath(PanelDockPlace::kFileName))); });
}

// The main window's ways to the panel. They are not in the main window's translation list,
// whose line order is fixed.
void PanelModule::addMainWindowButtons()
{
    const QString show = QStringLiteral("Показать панель управления ");
    const QString minimise = QStringLiteral("Свернуть программу в значек на Systray");
    const struct {
        const char* group;
        const char* name;
        QString caption;
        QString hint;
        const char* operation;
    } buttons[] = {
        {groupid::PanelPosition, "SCButton22", show, show, "panel show"},
        {groupid::Dispatcher, "SCButton55", show, show, "panel show"},
        {groupid::Dispatcher, "SCButton85", QStringLiteral("Свернуть"), minimise, "panel minimise"},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(b.caption, &m_services.window);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(b.hint);
        m_services.window.placeButton(b.group, button);
        const QString operation = QString::fromLatin1(b.operation);
        connectGuarded(button, &QPushButton::clicked, this,
                       Origin::byOperator(QStringLiteral("panelmodule")), [this, operation] {
                           guarded(m_services.notifier,
                                   [&] { m_services.operations.run(operation); });
                       });
    }
}

PanelModule::~PanelModule()
{
    delete m_dock;  // lets the panel go first when it is docked
    delete m_panel;
}

QString PanelModule::filePath(const char* name) const
{
    return m_services.folder + u'/' + QString::fromUtf8(name);
}

void PanelModule::readTranslation()
{
    const QString path = filePath(translationfile::kPanelFileName);
    if (!m_services.settings.checked(key::SCCheckbox28) || !QFileInfo::exists(path))
        return;
    QList<UiComponent> components = m_panel->components();
    translationfile::read(readTextLines(path, kMaxTranslationFileBytes), components);
    m_panel->applyComponents(components);
}

void PanelModule::applyPosition()
{
    Settings& s = m_services.settings;
    const int top = s.integer(key::SCEdit97);
    const int left = s.integer(key::SCEdit98);
    if (top != 0 || left != 0) {
        m_dock->moveFloating(QPoint(left, top));
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // A first start places the main window, the clock and the icon window around the panel's
    // place in the same layout (ShellModule::placeOnFirstStart).
    if (ShellControl::firstStart(s)) {
        m_dock->moveFloating(
            firstStartPanelPlace(s, available, SettingsWindow::initialSize(available.size()),
                                 QSize(ShellModule::kMinimumWidth, ShellModule::kMinimumHeight),
                                 m_panel->frameSize().expandedTo(ControlPanel::kSize)));
        return;
    }
    // The strip where its settings put it on air, not where the hidden window waits.
    m_dock->moveFloating(
        firstPanelPosition(available, m_panel->frameSize(), stripRect(s),
                           {m_services.window.frameGeometry(), m_clockWindow.frameGeometry()}));
}

void PanelModule::storePosition()
{
    // Docked, the panel keeps the place it floats to: its own window's, as before.
    const QPoint at = m_dock->floatingPosition();
    m_services.settings.setText(key::SCEdit97, QString::number(at.y()));
    m_services.settings.setText(key::SCEdit98, QString::number(at.x()));
}

void PanelModule::writeFiles()
{
    if (m_filesWritten)
        return;
    m_filesWritten = true;
    guarded(m_services.notifier, [this] {
        if (!m_phrases->save(filePath(PanelPhrases::kFileName)))
            m_services.log.write(QStringLiteral("error"),
                                 QStringLiteral("panel.txt could not be read at start-up; it is "
                                                "left as it was"));
    });
    guarded(m_services.notifier, [this] {
        writeTextLines(filePath(translationfile::kPanelFileName),
                       translationfile::write(m_panel->components()));
    });
    // The side the panel is docked to has a small file of its own; a panel never docked
    // leaves none behind.
    guarded(m_services.notifier, [this] {
        const QString path = filePath(PanelDockPlace::kFileName);
        if (m_dock->isDocked() || QFileInfo::exists(path))
            PanelDockPlace::save(path, m_dock->side());
    });
}

int PanelModule::phraseNumber(const QString& argument) const
{
    bool ok = false;
    const int number = argument.trimmed().toInt(&ok);
    if (!ok || !m_phrases->isValid(number - 1))
        throw Failure(QStringLiteral("a phrase number from 1 to %1 is needed, not \"%2\"")
                          .arg(m_phrases->size())
                          .arg(argument));
    return number - 1;
}

void PanelModule::registerOperations()
{
    Operations& ops = m_services.operations;
    ControlPanel& p = *m_panel;
    auto add = [&ops](const char* name, Operations::Operation operation) {
        ops.add(QString::fromLatin1(name), std::move(operation));
    };
    add("panel show", [&p](const QString&) {
        p.N3Click();
        return QString();
    });
    add("panel phrase-add", [this, &p](const QString& text) {
        p.addPhrase(text);
        return QString::number(m_phrases->size());
    });
    add("panel phrase-delete", [this, &p](const QString& number) {
        p.selectPhrase(phraseNumber(number));
        p.SCButton6Click();
        return QString::number(m_phrases->size());
    });
    add("panel phrase-show", [this, &p](const QString& number) {
        p.selectPhrase(phraseNumber(number));
        p.SCButton1Click();
        return QString();
    });
    add("panel clock-phrase", [this, &p](const QString& number) {
        p.selectPhrase(phraseNumber(number));
        p.SCButton9Click();
        return QString();
    });
    add("panel clock-settings", [&p](const QString&) {
        p.SCButton12Click();
        return QString();
    });
    add("panel minimise", [this, &p](const QString&) {
        p.SCButton5Click();
        // Without a notification area the panel stays on screen: the caller is told so.
        if (!m_tray->isShown())
            throw Failure(QStringLiteral("no notification area"));
        return QStringLiteral("tray");
    });
    add("panel restore", [&p](const QString&) {
        p.trayLeftClick();
        return QString();
    });
    add("panel exit", [&ops](const QString&) {
        ops.run(QStringLiteral("exit"));
        return QString();
    });
    // The panel's own dispatcher start: "ЦУП уже запущен!" and its own failure message.
    add("panel dispatcher-start", [this](const QString&) {
        m_dispatcher.panelStartClick();
        return QString();
    });

    m_services.control.addStatus(QStringLiteral("panel"), [this] {
        const int selected = m_panel->selectedPhrase();
        return QJsonValue(QJsonObject{
            {QStringLiteral("visible"), m_panel->isVisible()},
            {QStringLiteral("phrases"), QJsonArray::fromStringList(m_phrases->phrases())},
            {QStringLiteral("selected"), selected < 0 ? QJsonValue() : QJsonValue(selected + 1)},
            {QStringLiteral("clock_text"), m_panel->clockText()},
            {QStringLiteral("tray"), m_tray->isShown()},
            {QStringLiteral("tray_available"), m_tray->isAvailable()},
        });
    });
}

void PanelModule::notifyTray(const QString& text)
{
    m_tray->notify(QStringLiteral("Велумо"), text);
}

}  // namespace velumo
