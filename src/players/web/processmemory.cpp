#include "processmemory.h"

#include <QFile>

namespace velumo {

namespace {

qint64 readField(qint64 pid, const char* file, const QByteArray& name)
{
    if (pid <= 0)
        return -1;
    QFile proc(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    // The files have no size: read to their end.
    if (!proc.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return -1;
    return procFieldKb(proc.readAll(), name);
}

}  // namespace

qint64 procFieldKb(const QByteArray& text, const QByteArray& name)
{
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        const QByteArray line = text.mid(at, end - at);
        at = end + 1;
        if (!line.startsWith(name) || line.size() <= name.size() || line[name.size()] != ':')
            continue;
        const QList<QByteArray> parts = line.mid(name.size() + 1).simplified().split(' ');
        if (parts.size() != 2 || parts[1] != "kB")
            return -1;
        bool ok = false;
        const qint64 value = parts[0].toLongLong(&ok);
        return ok && value >= 0 ? value : -1;
    }
    return -1;
}

qint64 processResidentKb(qint64 pid)
{
    return readField(pid, "status", QByteArrayLiteral("VmRSS"));
}

qint64 processProportionalKb(qint64 pid)
{
    return readField(pid, "smaps_rollup", QByteArrayLiteral("Pss"));
}

}  // namespace velumo
