#pragma once

#include <QByteArray>
#include <QString>

#include "mastermute.h"

namespace velumo {

// The master output through the ALSA simple mixer: the playback switch of the element "Master"
// of the default card (switch off = muted), on every channel. The mixer is opened for each call.
//
// Failures throw Failure "SetMasterMuteValue failure, multimedia system error #N" with N the
// ALSA code as ALSA returns it, that is negative (-2: no such card or device). A card without a
// "Master" element gives -2 (-ENOENT), an element without a playback switch -22 (-EINVAL).
class AlsaMasterMute final : public MasterMute {
public:
    explicit AlsaMasterMute(QByteArray cardName = QByteArrayLiteral("default"),
                            QByteArray elementName = QByteArrayLiteral("Master"));

    void SetMasterMuteValue(bool muted) override;

    static QString failureText(int code);

private:
    QByteArray m_cardName;
    QByteArray m_elementName;
};

}  // namespace velumo
