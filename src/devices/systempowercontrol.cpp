#include <QProcess>
#include <QStringList>

#include "powercontrol.h"

namespace velumo {

namespace {

class SystemPowerControl final : public PowerControl {
public:
    void shutdown(bool forced) override { request(QStringLiteral("poweroff"), forced); }
    void suspend(bool forced) override { request(QStringLiteral("suspend"), forced); }

private:
    static void request(const QString& verb, bool forced)
    {
        QStringList arguments{verb};
        if (forced)
            arguments.append(QStringLiteral("-i"));
        // The operating system may refuse; nothing is reported then.
        QProcess::startDetached(QStringLiteral("systemctl"), arguments);
    }
};

}  // namespace

std::unique_ptr<PowerControl> createSystemPowerControl()
{
    return std::make_unique<SystemPowerControl>();
}

}  // namespace velumo
