#include "panelstore.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include "base/eventlog.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/translationfile.h"
#include "panel/controlpanel.h"
#include "panel/firststartlayout.h"
#include "panel/paneldock.h"
#include "panel/paneldockplace.h"
#include "panel/panelphrases.h"
#include "panel/panelplacement.h"
#include "ticker/accessorygeometry.h"
#include "ui/settingswindow.h"
#include "ui/shellcontrol.h"

namespace velumo {

PanelStore::PanelStore(QString folder, Settings& settings, EventLog& log, Notifier& notifier,
                       ControlPanel& panel, PanelDock& dock, PanelPhrases& phrases,
                       QSize mainMinimum)
    : m_folder(std::move(folder)),
      m_settings(settings),
      m_log(log),
      m_notifier(notifier),
      m_panel(panel),
      m_dock(dock),
      m_phrases(phrases),
      m_mainMinimum(mainMinimum)
{
}

QString PanelStore::filePath(const char* name) const
{
    return m_folder + u'/' + QString::fromUtf8(name);
}

void PanelStore::readDockSide()
{
    guarded(m_notifier,
            [this] { m_dock.place(PanelDockPlace::load(filePath(PanelDockPlace::kFileName))); });
}

void PanelStore::readTranslation()
{
    const QString path = filePath(translationfile::kPanelFileName);
    if (!m_settings.checked(key::SCCheckbox28) || !QFileInfo::exists(path))
        return;
    QList<UiComponent> components = m_panel.components();
    translationfile::read(readTextLines(path, kMaxTranslationFileBytes), components);
    m_panel.applyComponents(components);
}

void PanelStore::applyPosition(const QWidget& mainWindow, const QWidget& clockWindow)
{
    const Settings& s = m_settings;
    const int top = s.integer(key::SCEdit97);
    const int left = s.integer(key::SCEdit98);
    if (top != 0 || left != 0) {
        m_dock.moveFloating(QPoint(left, top));
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // A first start places the main window, the clock and the icon window around the panel's
    // place in the same layout (ShellModule::placeOnFirstStart).
    if (ShellControl::firstStart(s)) {
        m_dock.moveFloating(firstStartPanelPlace(
            s, available, SettingsWindow::initialSize(available.size()), m_mainMinimum,
            m_panel.frameSize().expandedTo(ControlPanel::kSize)));
        return;
    }
    // The strip where its settings put it on air, not where the hidden window waits.
    m_dock.moveFloating(
        firstPanelPosition(available, m_panel.frameSize(), stripRect(s),
                           {mainWindow.frameGeometry(), clockWindow.frameGeometry()}));
}

void PanelStore::storePosition()
{
    // Docked, the panel keeps the place it floats to: its own window's, as before.
    const QPoint at = m_dock.floatingPosition();
    m_settings.setText(key::SCEdit97, QString::number(at.y()));
    m_settings.setText(key::SCEdit98, QString::number(at.x()));
}

void PanelStore::writeFiles()
{
    if (m_filesWritten)
        return;
    m_filesWritten = true;
    guarded(m_notifier, [this] {
        if (!m_phrases.save(filePath(PanelPhrases::kFileName)))
            m_log.write(QStringLiteral("error"),
                        QStringLiteral("panel.txt could not be read at start-up; it is "
                                       "left as it was"));
    });
    guarded(m_notifier, [this] {
        writeTextLines(filePath(translationfile::kPanelFileName),
                       translationfile::write(m_panel.components()));
    });
    // The side the panel is docked to has a small file of its own; a panel never docked
    // leaves none behind.
    guarded(m_notifier, [this] {
        const QString path = filePath(PanelDockPlace::kFileName);
        if (m_dock.isDocked() || QFileInfo::exists(path))
            PanelDockPlace::save(path, m_dock.side());
    });
}

}  // namespace velumo
