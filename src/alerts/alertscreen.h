#pragma once

#include <QDateTime>
#include <QString>

#include "alerts/capalert.h"

namespace velumo::alerts {

// What the alert band shows of one alert.
struct BandView {
    AlertKey key;
    Severity severity = Severity::Unknown;
    QString event;
    QString senderName;
    QString headline;
    QString instruction;
    QString mark;     // «УЧЕБНОЕ», «ТЕСТ» or empty
    QDateTime until;  // invalid: until cancelled
};

// Where alerts go on air: the band over everything, the strip's priority texts and the attention
// tone. The windows' side puts them on the screen; tests record what was asked.
class AlertScreen {
public:
    virtual ~AlertScreen() = default;

    // The band shows this alert, in place of what it showed.
    virtual void showBand(const BandView& view) = 0;
    virtual void hideBand() = 0;
    // The attention tone, for an alert that comes into the band: asked just before showBand,
    // so that the band's mute comes after it.
    virtual void attention() = 0;
    // The strip shows text over and over in place of the block until it is taken off.
    virtual void holdStrip(const QString& key, const QString& text) = 0;
    // The strip shows text next, once, ahead of the block.
    virtual void announce(const QString& key, const QString& text) = 0;
    // The key's text leaves the strip: at once when it is crossing it, and it comes no more.
    virtual void takeOffStrip(const QString& key) = 0;
};

}  // namespace velumo::alerts
