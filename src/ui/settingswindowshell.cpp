#include "settingswindowshell.h"

#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "ui/settingswindow.h"

namespace velumo {

void SettingsWindowShell::setPageSetVisible(const QString& pageSet, bool visible)
{
    m_window.setPageSetVisible(pageSet, visible);
}

QStringList SettingsWindowShell::componentNames() const
{
    return m_window.componentNames();
}

QList<UiComponent> SettingsWindowShell::components() const
{
    return m_window.components();
}

void SettingsWindowShell::applyComponents(const QList<UiComponent>& components)
{
    m_window.applyComponents(components);
}

QPoint SettingsWindowShell::position() const
{
    return m_window.pos();
}

void SettingsWindowShell::move(const QPoint& topLeft)
{
    m_window.move(topLeft);
}

void SettingsWindowShell::showLoadedLook(const Settings& settings)
{
    for (const char* colour : {key::SCEdit81, key::SCEdit21, key::SCEdit13, key::SCEdit19})
        m_window.applyColourPreview(QString::fromLatin1(colour));
    if (QWidget* sample = m_window.control(key::SCEdit82)) {
        QFont font = sample->font();
        font.setFamily(settings.text(key::SCEdit82));
        font.setPointSize(qBound(1, settings.integer(key::SCEdit85), 200));
        sample->setFont(font);
    }
}

void SettingsWindowShell::addCommands(ControlServer& c, const QString& folder,
                                      const Settings& settings)
{
    c.addStatus(QStringLiteral("program_folder"), [folder] { return QJsonValue(folder); });
    c.addCommand(QStringLiteral("show"), [this](const QString&) {
        m_window.showNormal();
        m_window.raise();
        m_window.activateWindow();
        return QString();
    });
    c.addCommand(QStringLiteral("close"), [this](const QString&) {
        m_window.close();
        return QString();
    });
    c.addCommand(QStringLiteral("get"), [&settings](const QString& name) {
        if (!settings.contains(name))
            throw Failure(QStringLiteral("no setting named %1").arg(name));
        return settings.text(name);
    });
}

}  // namespace velumo
