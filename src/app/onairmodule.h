#pragma once

#include <memory>
#include <optional>

#include "app/services.h"
#include "onair/onairstate.h"

namespace velumo {

class DispatcherStation;
class OnAirModel;
class OnAirRecorder;
class OnAirStateFile;
class PlayerStation;
class ScreenInhibitor;
class TickerStation;

// What is on air: the on-air model watches the strip and the dispatcher (it follows the players
// from the program's events from its start), velumo.state is kept up to date and brought back
// after an unclean end, and the screen is kept awake meanwhile; the status members "onair" and
// "screen".
class OnAirModule {
public:
    OnAirModule(const Services& services, OnAirModel& onAir, TickerStation& ticker,
                DispatcherStation& dispatcher, PlayerStation& players);
    ~OnAirModule();

    // The last run did not end normally: its state is brought back instead of the "r" start.
    bool resuming() const { return m_leftover.has_value(); }
    // Start-up, once the stored settings are read and before the dispatcher's step.
    void prepareResume();
    // Start-up, at its end: what was on air comes back; recording starts.
    void resume();
    void begin();
    // The normal exit: velumo.state goes, the screen is released.
    void finish();
    // A stop from outside (a signal): what is on air now stays in velumo.state for the next
    // start, whatever the way out stops after this; finish() then keeps the file.
    void keepForNextStart(const QString& stoppedBy);

private:
    const Services& m_services;
    std::optional<OnAirState> m_leftover;
    std::unique_ptr<OnAirStateFile> m_file;
    std::unique_ptr<OnAirRecorder> m_recorder;
    std::unique_ptr<ScreenInhibitor> m_screen;
};

}  // namespace velumo
