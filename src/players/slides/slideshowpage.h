#pragma once

#include <QObject>

class QLabel;

namespace velumo {

class Notifier;
class Settings;
class SettingsWindow;
class SlideShowControl;
class SlideShowPlayer;

// The buttons of the "PowerPoint" page: the file dialog SCButton17 and the test run SCButton18
// with the summary Label133 and the conversion's progress, and the direct output's SCButton16
// and SCButton19.
class SlideShowPage final : public QObject {
    Q_OBJECT
public:
    SlideShowPage(SettingsWindow& window, Notifier& notifier, Settings& settings,
                  SlideShowControl& control, SlideShowPlayer& player);

    static const char kDialogFilters[];

private:
    SettingsWindow& m_window;
    Notifier& m_notifier;
    Settings& m_settings;
    QLabel* m_summary = nullptr;
    QLabel* m_progress = nullptr;
};

}  // namespace velumo
