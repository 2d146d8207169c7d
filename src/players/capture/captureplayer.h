#pragma once

#include <QRect>
#include <QStringList>
#include <memory>

#include "base/timer.h"
#include "players/contentplayer.h"

namespace velumo {

class BroadcastMute;
class CaptureBackend;
class EventLog;
class Settings;

// The broadcast of the capture device's live picture (t entries, the "Трансляция" page): the
// start (SCButton63) asks BroadcastMute to mute for the broadcast, places and shows the window
// and selects the device; the stop (SCButton26) asks it to unmute, deactivates the picture and
// hides the window. The dispatcher's start and stop do the same but for the mute, which its
// handlers ask of BroadcastMute themselves. No device: the window is shown and the
// start fails (the general error report).
//
// The device is bound by its description: when it goes away during a broadcast, and comes back
// (perhaps under another /dev/videoN), the picture returns by itself; both are "player" events.
class CapturePlayer final : public ContentPlayer {
    Q_OBJECT
public:
    static const QString kNoDevice;
    // How often a lost device is looked for again.
    static constexpr int kRebindMs = 1000;

    CapturePlayer(CaptureBackend& backend, Settings& settings, BroadcastMute& broadcast,
                  EventLog& log, TimerFactory& timers, QObject* parent = nullptr);

    // The dispatcher's start: the window at the request's rectangle, the device selected.
    void start(const PlayerRequest& request) override;
    // The dispatcher's stop: the picture deactivated and the window hidden.
    void stop() override;
    // A broadcast has no park: it stops.
    void park() override;

    void SCButton63Click();
    void SCButton26Click();
    // The control panel's start: the window shown where it stands and the device selected,
    // with neither the mute nor the placing of SCButton63.
    void panelStart();
    // The picture deactivated and the window hidden, the mute left as it is.
    void panelStop();
    // Rebuilds the picture for the device of SCEdit100 (the last entry of that name, else the
    // first).
    void SelectCaptureDevice();
    // SCButton75: the device descriptions anew; ComboBox3's text ends as the last one.
    QStringList SCButton75Click();

    bool active() const { return m_active; }
    QString device() const { return m_device; }
    QStringList devices() const;
    // The index SelectCaptureDevice takes for a name among the devices.
    static int deviceIndex(const QStringList& devices, const QString& name);

private:
    // Places and shows the window, then selects the device.
    void showAt(const QRect& rect);
    void rebind();
    void writeEvent(const QString& text);

    CaptureBackend& m_backend;
    Settings& m_settings;
    BroadcastMute& m_broadcast;
    EventLog& m_log;
    bool m_active = false;
    bool m_lost = false;
    // onScreen() waits for the opened device's first picture.
    bool m_awaitingPicture = false;
    QString m_device;
    std::unique_ptr<Timer> m_rebind;
};

}  // namespace velumo
