#pragma once

#include <QObject>

class QComboBox;
class QLabel;

namespace velumo {

class CapturePlayer;
class ClipControl;
class ExternalPlayer;
class Notifier;
class Settings;
class SettingsWindow;

// The buttons of the "Видео клипы" page (the test group, Label202, the window list of
// ComboBox4) and of the "Трансляция" page (device list, start, stop, ComboBox3 → SCEdit100).
class ClipsPage final : public QObject {
    Q_OBJECT
public:
    ClipsPage(SettingsWindow& window, Notifier& notifier, Settings& settings, ClipControl& clips,
              ExternalPlayer& external, CapturePlayer& capture);

    // SCButton75: the device list anew.
    void fillDevices();

private:
    // The player's path field, the window list and the device list act on their own events.
    void watchField(QObject* field);
    bool fieldEvent(QObject* watched, QEvent* event);

    SettingsWindow& m_window;
    Notifier& m_notifier;
    Settings& m_settings;
    CapturePlayer& m_capture;
    QLabel* m_played = nullptr;
    QWidget* m_playerPath = nullptr;
    QComboBox* m_windows = nullptr;
    QComboBox* m_devices = nullptr;
};

}  // namespace velumo
