#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "devices/mastermute.h"
#include "devices/powercontrol.h"
#include "devices/toneplayer.h"

namespace velumo::test {

// Records the tones it was asked for (frequency, length) and returns at once.
class RecordingTonePlayer final : public TonePlayer {
public:
    void MyBEEP(int frequencyHz, int durationMs) override
    {
        tones.emplace_back(frequencyHz, durationMs);
    }
    std::vector<std::pair<int, int>> tones;
};

class RecordingMasterMute final : public MasterMute {
public:
    void SetMasterMuteValue(bool value) override { calls.push_back(value); }
    std::vector<bool> calls;
};

class RecordingPowerControl final : public PowerControl {
public:
    void shutdown(bool forced) override { requests.append(forced ? "shutdown -i" : "shutdown"); }
    void suspend(bool forced) override { requests.append(forced ? "suspend -i" : "suspend"); }
    QStringList requests;
};

}  // namespace velumo::test
