#pragma once

#include <memory>

#include "app/services.h"

namespace velumo {

class ClockStepWatch;
class OnAirModel;
class Worker;

namespace asrun {
class Journal;
class Recorder;
}  // namespace asrun

// The as-run journal and the recorder that feeds it from what went on air and the program's
// events, the watch of the wall clock's steps, and the journal's control commands ("asrun seal",
// status "asrun").
class AsrunModule {
public:
    AsrunModule(const Services& services, const OnAirModel& onAir);
    // The recorder hands its last records (the program's exit) to the journal before the journal
    // seals the day.
    ~AsrunModule();

private:
    std::unique_ptr<asrun::Journal> m_journal;
    std::unique_ptr<Worker> m_hashing;
    std::unique_ptr<asrun::Recorder> m_recorder;
    std::unique_ptr<ClockStepWatch> m_clockSteps;
};

}  // namespace velumo
