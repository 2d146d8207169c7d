#include "captureplayer.h"

#include <utility>

#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "devices/broadcastmute.h"
#include "players/capture/capturebackend.h"
#include "players/contentkind.h"
#include "players/playerplacement.h"

namespace velumo {

const QString CapturePlayer::kNoDevice = QStringLiteral("no video capture device");

CapturePlayer::CapturePlayer(CaptureBackend& backend, Settings& settings, BroadcastMute& broadcast,
                             EventLog& log, TimerFactory& timers, QObject* parent)
    : ContentPlayer(parent),
      m_backend(backend),
      m_settings(settings),
      m_broadcast(broadcast),
      m_log(log),
      m_rebind(timers.create(QStringLiteral("CaptureRebind")))
{
    m_rebind->setInterval(kRebindMs);
    m_rebind->setHandler([this] { rebind(); });
    connectGuarded(&backend, &CaptureBackend::devicesChanged, this,
                   Origin::unattended(QStringLiteral("captureplayer")), &CapturePlayer::rebind);
    connectGuarded(
        &backend, &CaptureBackend::lost, this, Origin::unattended(QStringLiteral("captureplayer")),
        [this](const QString& reason) {
            if (!m_active || m_lost)
                return;
            m_lost = true;
            m_backend.close();
            writeEvent(QStringLiteral("lost t ") + m_device + QStringLiteral(": ") + reason);
            m_rebind->start();
        });
    // The broadcast is on the screen with the device's first picture, not when it opens.
    connectGuarded(&backend, &CaptureBackend::firstPicture, this,
                   Origin::unattended(QStringLiteral("captureplayer")), [this] {
                       if (!m_active || !std::exchange(m_awaitingPicture, false))
                           return;
                       emit onScreen();
                   });
}

QStringList CapturePlayer::devices() const
{
    return m_backend.devices();
}

int CapturePlayer::deviceIndex(const QStringList& devices, const QString& name)
{
    const qsizetype last = devices.lastIndexOf(name);
    return last >= 0 ? int(last) : 0;
}

void CapturePlayer::writeEvent(const QString& text)
{
    m_log.write(QStringLiteral("player"), text);
}

void CapturePlayer::start(const PlayerRequest& request)
{
    clearByHand();
    showAt(request.rect);
}

void CapturePlayer::stop()
{
    panelStop();
}

void CapturePlayer::park()
{
    panelStop();
}

void CapturePlayer::SCButton63Click()
{
    m_broadcast.broadcastStarting(m_settings);
    showAt(playerplacement::rect(m_settings, kinds::kCapture));
    showByHand(QString(), m_device);
}

void CapturePlayer::showAt(const QRect& rect)
{
    m_backend.place(rect);
    m_backend.showWindow();
    SelectCaptureDevice();
    m_backend.showWindow();
}

void CapturePlayer::panelStart()
{
    m_backend.showWindow();
    SelectCaptureDevice();
    m_backend.showWindow();
    showByHand(QString(), m_device);
}

void CapturePlayer::panelStop()
{
    m_rebind->stop();
    m_active = false;
    m_lost = false;
    m_awaitingPicture = false;
    m_backend.close();
    m_backend.hideWindow();
    clearByHand();
}

void CapturePlayer::SCButton26Click()
{
    m_broadcast.broadcastStopping(m_settings);
    panelStop();
}

void CapturePlayer::SelectCaptureDevice()
{
    m_rebind->stop();
    m_backend.close();
    clearByHand();
    m_active = false;
    m_lost = false;
    m_awaitingPicture = false;
    const QStringList list = m_backend.devices();
    if (list.isEmpty()) {
        m_device.clear();
        throw Failure(kNoDevice);
    }
    const int index = deviceIndex(list, m_settings.text(key::SCEdit100));
    m_device = list[index];
    if (!m_backend.open(index))
        throw Failure(m_backend.errorString());
    m_active = true;
    m_awaitingPicture = true;
}

void CapturePlayer::rebind()
{
    if (!m_active)
        return;
    const QStringList list = m_backend.devices();
    const qsizetype index = list.lastIndexOf(m_device);
    if (!m_lost) {
        if (index < 0) {
            // The device has gone away.
            m_lost = true;
            m_backend.close();
            writeEvent(QStringLiteral("lost t ") + m_device +
                       QStringLiteral(": the device is gone"));
            m_rebind->start();
        }
        return;
    }
    if (index < 0)
        return;
    if (m_backend.open(int(index))) {
        m_lost = false;
        m_rebind->stop();
        writeEvent(QStringLiteral("returned t ") + m_device);
    }
}

QStringList CapturePlayer::SCButton75Click()
{
    const QStringList list = m_backend.devices();
    for (const QString& name : list)
        m_settings.setText(key::ComboBox3, name);
    return list;
}

}  // namespace velumo
