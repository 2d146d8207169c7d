#include "asrunmodule.h"

#include "asrun/asruncontrol.h"
#include "asrun/journal.h"
#include "asrun/journaloptions.h"
#include "asrun/recorder.h"
#include "base/clockstepwatch.h"
#include "base/worker.h"

namespace velumo {

AsrunModule::AsrunModule(const Services& services, const OnAirModel& onAir)
{
    m_journal = std::make_unique<asrun::Journal>(services.folder,
                                                 asrun::JournalOptions::read(services.folder),
                                                 services.clock, &services.log);
    // Clips are hashed one after the other, so a large file never holds back a second core.
    m_hashing = std::make_unique<Worker>(QStringLiteral("asrun"), Worker::Order::Serial, 1,
                                         &services.notifier, &services.log);
    m_recorder = std::make_unique<asrun::Recorder>(services.log, onAir, *m_journal, *m_hashing);
    m_clockSteps = std::make_unique<ClockStepWatch>(&services.log);
    asrun::addControl(services.control, *m_journal);
}

AsrunModule::~AsrunModule()
{
    m_clockSteps.reset();
    m_recorder.reset();
    m_hashing.reset();
    m_journal.reset();
}

}  // namespace velumo
