#pragma once

#include "devices/mastermute.h"
#include "devices/toneplayer.h"
#include "ticker/blockedits.h"
#include "ticker/tickercontrol.h"

namespace velumo {

// Counts how often the block's pending edits were asked for.
struct CountingBlockEdits final : BlockEdits {
    void flushEdits() override { ++flushes; }
    int flushes = 0;
};

// Stand-ins that do nothing, for benchmarks that need the interfaces but no devices.
class StubTickerControl final : public TickerControl {
public:
    bool TickerRunning() const override { return m_running; }
    void setTickerRunning(bool running) override { m_running = running; }
    void setResumeLine(int) override {}
    void ApplyTickerWindow() override {}
    void StartRunStringThread() override { m_running = true; }
    void StopTicker() override { m_running = false; }
    void bringToFront() override {}
    void setWorkLabel(const QString&) override {}

private:
    bool m_running = false;
};

class SilentTonePlayer final : public TonePlayer {
public:
    void MyBEEP(int, int, Ended ended) override
    {
        if (ended)
            ended();
    }
};

class NoMasterMute final : public MasterMute {
public:
    void SetMasterMuteValue(bool) override {}
};

}  // namespace velumo
