#include "paneloperations.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPushButton>

#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/operations.h"
#include "base/pageschema.h"
#include "dispatcher/dispatcherengine.h"
#include "panel/controlpanel.h"
#include "panel/panelphrases.h"
#include "panel/systemtrayicon.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

int phraseNumber(const PanelPhrases& phrases, const QString& argument)
{
    bool ok = false;
    const int number = argument.trimmed().toInt(&ok);
    if (!ok || !phrases.isValid(number - 1))
        throw Failure(QStringLiteral("a phrase number from 1 to %1 is needed, not \"%2\"")
                          .arg(phrases.size())
                          .arg(argument));
    return number - 1;
}

}  // namespace

void addPanelOperations(Operations& ops, ControlServer& control, ControlPanel& p,
                        PanelPhrases& phrases, SystemTrayIcon& tray, DispatcherEngine& dispatcher)
{
    auto add = [&ops](const char* name, Operations::Operation operation) {
        ops.add(QString::fromLatin1(name), std::move(operation));
    };
    add("panel show", [&p](const QString&) {
        p.N3Click();
        return QString();
    });
    add("panel phrase-add", [&p, &phrases](const QString& text) {
        p.addPhrase(text);
        return QString::number(phrases.size());
    });
    add("panel phrase-delete", [&p, &phrases](const QString& number) {
        p.selectPhrase(phraseNumber(phrases, number));
        p.SCButton6Click();
        return QString::number(phrases.size());
    });
    add("panel phrase-show", [&p, &phrases](const QString& number) {
        p.selectPhrase(phraseNumber(phrases, number));
        p.SCButton1Click();
        return QString();
    });
    add("panel clock-phrase", [&p, &phrases](const QString& number) {
        p.selectPhrase(phraseNumber(phrases, number));
        p.SCButton9Click();
        return QString();
    });
    add("panel clock-settings", [&p](const QString&) {
        p.SCButton12Click();
        return QString();
    });
    add("panel minimise", [&p, &tray](const QString&) {
        p.SCButton5Click();
        // Without a notification area the panel stays on screen: the caller is told so.
        if (!tray.isShown())
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
    add("panel dispatcher-start", [&dispatcher](const QString&) {
        dispatcher.panelStartClick();
        return QString();
    });

    control.addStatus(QStringLiteral("panel"), [&p, &phrases, &tray] {
        const int selected = p.selectedPhrase();
        return QJsonValue(QJsonObject{
            {QStringLiteral("visible"), p.isVisible()},
            {QStringLiteral("phrases"), QJsonArray::fromStringList(phrases.phrases())},
            {QStringLiteral("selected"), selected < 0 ? QJsonValue() : QJsonValue(selected + 1)},
            {QStringLiteral("clock_text"), p.clockText()},
            {QStringLiteral("tray"), tray.isShown()},
            {QStringLiteral("tray_available"), tray.isAvailable()},
        });
    });
}

void addPanelButtons(SettingsWindow& window, Operations& operations, Notifier& notifier)
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
        auto* button = new QPushButton(b.caption, &window);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(b.hint);
        window.placeButton(b.group, button);
        const QString operation = QString::fromLatin1(b.operation);
        connectGuarded(button, &QPushButton::clicked, button,
                       Origin::byOperator(QStringLiteral("panelmodule")),
                       [&notifier, &operations, operation] {
                           guarded(notifier, [&] { operations.run(operation); });
                       });
    }
}

}  // namespace velumo
