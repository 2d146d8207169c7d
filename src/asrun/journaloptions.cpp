#include "journaloptions.h"

#include <QDir>
#include <QSettings>

namespace velumo::asrun {

JournalOptions JournalOptions::read(const QString& programFolder)
{
    JournalOptions options;
    const QString path = programFolder + QLatin1String("/asrun.ini");
    if (!QFile::exists(path))
        return options;
    const QSettings ini(path, QSettings::IniFormat);
    const QString folder = ini.value(QStringLiteral("folder")).toString().trimmed();
    if (!folder.isEmpty())
        options.folder = folder;
    bool ok = false;
    const int days = ini.value(QStringLiteral("retention_days")).toString().trimmed().toInt(&ok);
    if (ok && days > 0)
        options.retentionDays = days;
    return options;
}

QString JournalOptions::folderPath(const QString& programFolder) const
{
    return QDir::cleanPath(QDir(programFolder).absoluteFilePath(folder));
}

}  // namespace velumo::asrun
