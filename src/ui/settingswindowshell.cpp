#include "settingswindowshell.h"

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

}  // namespace velumo
