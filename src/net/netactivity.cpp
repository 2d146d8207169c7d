#include "netactivity.h"

namespace velumo {

namespace {

QString decimal(double value)
{
    // Russian writes a decimal comma.
    return QString::number(value, 'f', 1).replace(u'.', u',');
}

QString phaseName(NetActivity::Phase phase)
{
    switch (phase) {
        case NetActivity::Phase::Idle:
            return QStringLiteral("idle");
        case NetActivity::Phase::Dialling:
            return QStringLiteral("dialling");
        case NetActivity::Phase::Connecting:
            return QStringLiteral("connecting");
        case NetActivity::Phase::Listing:
            return QStringLiteral("listing");
        case NetActivity::Phase::Transferring:
            return QStringLiteral("transferring");
        case NetActivity::Phase::Succeeded:
            return QStringLiteral("succeeded");
        case NetActivity::Phase::Failed:
            return QStringLiteral("failed");
    }
    return {};
}

}  // namespace

QString NetActivity::formatBytes(qint64 bytes)
{
    constexpr double kKiB = 1024.0;
    if (bytes < 1024)
        return QStringLiteral("%1 Б").arg(bytes);
    if (bytes < 1024 * 1024)
        return decimal(double(bytes) / kKiB) + QStringLiteral(" КБ");
    if (bytes < qint64(1024) * 1024 * 1024)
        return decimal(double(bytes) / (kKiB * kKiB)) + QStringLiteral(" МБ");
    return decimal(double(bytes) / (kKiB * kKiB * kKiB)) + QStringLiteral(" ГБ");
}

int NetActivity::percent() const
{
    if (total < 0)
        return -1;
    if (total == 0 || bytes >= total)
        return 100;
    return int(bytes * 100 / total);
}

void NetActivity::begin(const QString& runTarget)
{
    *this = NetActivity(kind);
    phase = Phase::Connecting;
    target = runTarget;
}

void NetActivity::beginDialling(const QString& entry)
{
    begin(entry);
    phase = Phase::Dialling;
}

void NetActivity::connectTo(const QString& runTarget)
{
    phase = Phase::Connecting;
    target = runTarget;
}

void NetActivity::startFile(const QString& name, int number, int count, qint64 size)
{
    phase = Phase::Transferring;
    file = name;
    fileNumber = number;
    fileCount = count;
    bytes = 0;
    total = size;
}

void NetActivity::finishFile(qint64 movedBytes, bool wasUnchanged)
{
    if (total >= 0)
        bytes = total;
    if (wasUnchanged)
        ++unchanged;
    else
        ++transferred;
    bytesTransferred += movedBytes;
}

void NetActivity::succeed()
{
    phase = Phase::Succeeded;
}

void NetActivity::fail(const QString& text)
{
    phase = Phase::Failed;
    result = text;
}

QString NetActivity::pageText() const
{
    const bool feed = kind == Kind::Feed;
    switch (phase) {
        case Phase::Idle:
            return {};
        case Phase::Dialling:
            return QStringLiteral("Набор соединения «%1»…").arg(target);
        case Phase::Connecting:
            return feed ? QStringLiteral("Чтение RSS-канала %1…").arg(target)
                        : QStringLiteral("Соединение с %1…").arg(target);
        case Phase::Listing:
            return QStringLiteral("Чтение списка файлов на %1…").arg(target);
        case Phase::Transferring: {
            QString line;
            if (feed)
                line = QStringLiteral("Чтение RSS-канала %1").arg(target);
            else
                line = QStringLiteral("%1 файла %2 из %3: %4")
                           .arg(kind == Kind::Receive ? QStringLiteral("Приём")
                                                      : QStringLiteral("Передача"))
                           .arg(fileNumber)
                           .arg(fileCount)
                           .arg(file);
            if (total >= 0)
                return QStringLiteral("%1 — %2 из %3 (%4 %)")
                    .arg(line, formatBytes(bytes), formatBytes(total))
                    .arg(percent());
            return QStringLiteral("%1 — %2").arg(line, formatBytes(bytes));
        }
        case Phase::Succeeded:
            switch (kind) {
                case Kind::Receive:
                    return QStringLiteral(
                               "Приём завершён: получено файлов %1 (%2), без изменений %3, "
                               "пропущено %4")
                        .arg(transferred)
                        .arg(formatBytes(bytesTransferred))
                        .arg(unchanged)
                        .arg(skipped);
                case Kind::Transmit:
                    return QStringLiteral("Передача завершена: передано файлов %1 (%2)")
                        .arg(transferred)
                        .arg(formatBytes(bytesTransferred));
                case Kind::Feed:
                    return result.isEmpty()
                               ? QStringLiteral("RSS-канал прочитан: строк %1").arg(feedLines)
                               : result;
            }
            return {};
        case Phase::Failed:
            return QStringLiteral("Ошибка: ") + result;
    }
    return {};
}

QString NetActivity::footerText() const
{
    if (!active())
        return {};
    const QString who = kind == Kind::Receive    ? QStringLiteral("FTP: приём")
                        : kind == Kind::Transmit ? QStringLiteral("FTP: передача")
                                                 : QStringLiteral("RSS: чтение канала");
    switch (phase) {
        case Phase::Dialling:
            return who + QStringLiteral(" — набор соединения…");
        case Phase::Connecting:
            return kind == Kind::Feed ? who + QStringLiteral("…")
                                      : who + QStringLiteral(" — соединение…");
        case Phase::Listing:
            return who + QStringLiteral(" — список файлов…");
        case Phase::Transferring: {
            QString line = who;
            if (kind != Kind::Feed)
                line += QStringLiteral(" — ") + file;
            if (total >= 0)
                return QStringLiteral("%1 %2 %").arg(line).arg(percent());
            return QStringLiteral("%1 %2").arg(line, formatBytes(bytes));
        }
        default:
            return {};
    }
}

QJsonObject NetActivity::toJson() const
{
    QJsonObject out{{QStringLiteral("phase"), phaseName(phase)},
                    {QStringLiteral("text"), pageText()}};
    if (phase == Phase::Transferring) {
        out.insert(QStringLiteral("file"), file);
        out.insert(QStringLiteral("bytes"), bytes);
        out.insert(QStringLiteral("total"), total);
        out.insert(QStringLiteral("percent"), percent());
    }
    return out;
}

}  // namespace velumo
