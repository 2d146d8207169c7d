#pragma once

#include <QObject>

class QPlainTextEdit;

namespace velumo {

class BroadcastMute;
class LptPins;
class Notifier;
class Settings;
class SettingsWindow;
class TonePlayer;

// The page "Порты диспетчера" of the ЦУП tab and the sound test buttons of the broadcast page:
// pin tests, the explanatory memo, the port permission box, test beeps on a click of the tone
// fields. Every action runs through the guard.
class PortsPage final : public QObject {
    Q_OBJECT
public:
    PortsPage(SettingsWindow& window, Settings& settings, LptPins& pins, TonePlayer& tones,
              BroadcastMute& broadcast, Notifier& notifier);

    // The memo's text, as shown.
    static QString memoText();

    void SCButton46Click();
    void SCButton47Click();
    void SCButton48Click();
    void SCButton49Click();
    void SCCheckBox26Click();
    // Test beeps: the field's tone for the length in SCEdit73. SCEdit7 and SCEdit42 sound the
    // tones of SCEdit71 and SCEdit72.
    void SCEdit69Click();
    void SCEdit70Click();
    void SCEdit71Click();
    void SCEdit72Click();

private:
    void buildPinTests();
    void buildMemo();
    void buildSoundTests();
    void testBeep(const char* toneField);
    void run(void (PortsPage::*handler)());

    SettingsWindow& m_window;
    Settings& m_settings;
    LptPins& m_pins;
    TonePlayer& m_tones;
    BroadcastMute& m_broadcast;
    Notifier& m_notifier;
    QPlainTextEdit* m_memo = nullptr;
};

}  // namespace velumo
