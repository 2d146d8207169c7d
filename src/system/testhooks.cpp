#include "testhooks.h"

#include <QThread>

#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/operations.h"
#include "base/timer.h"

namespace velumo {

TestHooks::TestHooks(ControlServer& control, Operations& operations, TimerFactory& timers)
{
    if (qEnvironmentVariable("VELUMO_TEST_HOOKS") != QLatin1String("1"))
        return;
    control.addCommand(QStringLiteral("test hold"), [](const QString& arguments) {
        bool ok = false;
        const int ms = arguments.trimmed().toInt(&ok);
        if (!ok || ms < 0 || ms > 60000)
            throw Failure(QStringLiteral("test hold needs milliseconds (0-60000)"));
        QThread::msleep(ulong(ms));
        return QStringLiteral("held %1 ms").arg(ms);
    });
    operations.add(QStringLiteral("test throw"), [this, &timers](const QString&) {
        if (!m_throw) {
            m_throw = timers.create(QStringLiteral("TestThrow"));
            m_throw->setHandler([this] {
                m_throw->stop();
                throw Failure(QStringLiteral("test hook: the timer handler failed"));
            });
        }
        m_throw->setInterval(0);
        m_throw->start();
        return QStringLiteral("armed");
    });
}

TestHooks::~TestHooks() = default;

}  // namespace velumo
