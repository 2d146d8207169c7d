#pragma once

#include <QString>
#include <memory>

namespace velumo {

// Ending the session and suspending the machine.
class PowerControl {
public:
    virtual ~PowerControl() = default;
    virtual void shutdown(bool forced) = 0;
    virtual void suspend(bool forced) = 0;
};

// systemd-logind through systemctl ("-i" ignores inhibitors for the forced requests).
std::unique_ptr<PowerControl> createSystemPowerControl();

}  // namespace velumo
