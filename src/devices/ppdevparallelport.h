#pragma once

#include <QString>

#include "parallelport.h"

namespace velumo {

// The parallel port through the Linux ppdev interface: the device is opened and claimed on
// first use (or when the permission box asks for it) and kept for the rest of the run, as the
// port access of the original driver stayed with the process. Access needs read and write
// permission on the device (on Debian: membership of the group "lp").
class PpdevParallelPort final : public ParallelPort {
public:
    static constexpr char kDefaultDevice[] = "/dev/parport0";

    explicit PpdevParallelPort(QString devicePath = QString::fromLatin1(kDefaultDevice));
    ~PpdevParallelPort() override;
    PpdevParallelPort(const PpdevParallelPort&) = delete;
    PpdevParallelPort& operator=(const PpdevParallelPort&) = delete;

    quint8 readData() override;
    void writeData(quint8 value) override;
    // Opens and claims the device unless done already. Throws Failure
    // "Нет доступа к порту LPT1 (<device>): <reason>".
    void claim() override;

    bool isClaimed() const { return m_fd >= 0; }
    QString devicePath() const { return m_devicePath; }

private:
    [[noreturn]] void fail(const QString& step, int error) const;

    QString m_devicePath;
    int m_fd = -1;
};

}  // namespace velumo
