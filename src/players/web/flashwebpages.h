#pragma once

#include <QObject>

namespace velumo {

class BrowserPanel;
class FlashPlayer;
class Notifier;
class Settings;
class SettingsWindow;
class WebPlayer;

// The buttons of the pages "Flash анимации" and "WWW", and the preview browser Wb2 of the WWW
// page (created on its first page). The quick buttons of the main page toolbar (SCButton88,
// SCButton11) stand on these pages beside the others.
class FlashWebPages final : public QObject {
    Q_OBJECT
public:
    FlashWebPages(SettingsWindow& window, Notifier& notifier, Settings& settings,
                  FlashPlayer& flash, WebPlayer& web);

    // "Предварительный просмотр": the address of SCEdit36 in the preview browser.
    void SCButton15Click();
    void SCButton87Click();
    BrowserPanel& preview() const { return *m_preview; }

private:
    SettingsWindow& m_window;
    Notifier& m_notifier;
    Settings& m_settings;
    BrowserPanel* m_preview = nullptr;
};

}  // namespace velumo
