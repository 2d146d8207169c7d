#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "devices/mastermute.h"
#include "devices/parallelport.h"
#include "devices/powercontrol.h"
#include "devices/toneplayer.h"

namespace velumo::test {

// A port in memory, for tests: counts what was read, written and claimed.
class MemoryParallelPort final : public ParallelPort {
public:
    quint8 readData() override
    {
        ++reads;
        return m_value;
    }
    void writeData(quint8 value) override
    {
        m_value = value;
        ++writes;
    }
    void claim() override { ++claims; }
    quint8 value() const { return m_value; }
    void setValue(quint8 value) { m_value = value; }
    int reads = 0;
    int writes = 0;
    int claims = 0;

private:
    quint8 m_value = 0;
};

// Records the tones it was asked for (frequency, length); each has ended at once (its ended
// runs before MyBEEP returns).
class RecordingTonePlayer final : public TonePlayer {
public:
    void MyBEEP(int frequencyHz, int durationMs, Ended ended) override
    {
        tones.emplace_back(frequencyHz, durationMs);
        if (ended)
            ended();
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
