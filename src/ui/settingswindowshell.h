#pragma once

#include "ui/shellcontrol.h"

namespace velumo {

class ControlServer;
class Settings;
class SettingsWindow;

// The main settings window as the shell's logic sees it.
class SettingsWindowShell final : public ShellWindow {
public:
    explicit SettingsWindowShell(SettingsWindow& window) : m_window(window) {}
    void setPageSetVisible(const QString& pageSet, bool visible) override;
    QStringList componentNames() const override;
    QList<UiComponent> components() const override;
    void applyComponents(const QList<UiComponent>& components) override;
    QPoint position() const override;
    void move(const QPoint& topLeft) override;

    // Once velumo.cfg is read: the colour fields' previews and the sample font of SCEdit82.
    void showLoadedLook(const Settings& settings);
    // The commands show, close and get, and the status member "program_folder".
    void addCommands(ControlServer& control, const QString& folder, const Settings& settings);

private:
    SettingsWindow& m_window;
};

}  // namespace velumo
