#include "testsupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include "base/textfile.h"

namespace velumo::test {

bool waitFor(const std::function<bool()>& condition, int timeoutMs, int stepMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(stepMs);
    }
    return true;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray cp1251(const QString& text)
{
    return encodeCp1251(text);
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 2)
                                          : QStringLiteral("?");
}

QStringList logEvents(const QString& logPath, const QString& kind)
{
    QStringList out;
    for (const QString& line : QString::fromUtf8(readAll(logPath)).split(u'\n')) {
        const QStringList parts = line.split(u'\t');
        if (parts.size() >= 3 && parts[1] == kind)
            out.append(parts.mid(2).join(u'\t'));
    }
    return out;
}

}  // namespace velumo::test
