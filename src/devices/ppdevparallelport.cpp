#include "ppdevparallelport.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include <QFile>

#include "base/failure.h"

namespace velumo {

PpdevParallelPort::PpdevParallelPort(QString devicePath) : m_devicePath(std::move(devicePath)) {}

PpdevParallelPort::~PpdevParallelPort()
{
    if (m_fd >= 0) {
        // The data pins keep their state; only the port is handed back to the system.
        ::ioctl(m_fd, PPRELEASE);
        ::close(m_fd);
    }
}

void PpdevParallelPort::fail(const QString& step, int error) const
{
    QString reason = QString::fromLocal8Bit(std::strerror(error));
    if (!step.isEmpty())
        reason = step + QLatin1String(": ") + reason;
    throw Failure(QStringLiteral("Нет доступа к порту LPT1 (%1): %2").arg(m_devicePath, reason));
}

void PpdevParallelPort::claim()
{
    if (m_fd >= 0)
        return;
    const QByteArray path = QFile::encodeName(m_devicePath);
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        fail(QString(), errno);
    if (::ioctl(fd, PPCLAIM) < 0) {
        const int error = errno;
        ::close(fd);
        fail(QStringLiteral("PPCLAIM"), error);
    }
    m_fd = fd;
}

quint8 PpdevParallelPort::readData()
{
    claim();
    unsigned char value = 0;
    if (::ioctl(m_fd, PPRDATA, &value) < 0)
        fail(QStringLiteral("PPRDATA"), errno);
    return value;
}

void PpdevParallelPort::writeData(quint8 value)
{
    claim();
    unsigned char byte = value;
    if (::ioctl(m_fd, PPWDATA, &byte) < 0)
        fail(QStringLiteral("PPWDATA"), errno);
}

}  // namespace velumo
