#include "programfolder.h"

#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace velumo {

namespace {

const QLatin1String kRuffleScript("/ruffle.js");

bool hasRuffle(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo::exists(folder + kRuffleScript);
}

// Copies every file below FROM into TO, keeping the sub-folders and any file TO already has.
QString copyTree(const QString& from, const QString& to)
{
    QDirIterator files(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(source);
        if (QFileInfo::exists(target))
            continue;
        if (!QDir().mkpath(QFileInfo(target).absolutePath()))
            return QStringLiteral("cannot make the folder of %1").arg(target);
        if (!QFile::copy(source, target))
            return QStringLiteral("cannot copy %1 to %2").arg(source, target);
        // The installed files are read-only; the user's copies are the user's to change.
        QFile(target).setPermissions(QFile(target).permissions() | QFile::WriteOwner);
    }
    return {};
}

}  // namespace

QString ProgramFolder::executableFolder(const char* argv0)
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString target = self.symLinkTarget();
    if (!target.isEmpty())
        return QFileInfo(target).absolutePath();
    return QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath();
}

ProgramFolder::Place ProgramFolder::probe(const QString& executableFolder)
{
    Place place;
    place.executableFolder = executableFolder;
    place.executableFolderWritable =
        ::access(QFile::encodeName(executableFolder).constData(), W_OK) == 0;
    place.xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    place.home = QDir::homePath();
    return place;
}

QString ProgramFolder::sharedDataFolder(const QString& executableFolder)
{
    return QDir::cleanPath(executableFolder + QStringLiteral("/../share/velumo"));
}

bool ProgramFolder::isInstalled(const Place& place)
{
    // Root may write /usr/bin, and an unpacked package may lie anywhere: the layout tells.
    return !place.executableFolderWritable ||
           QFileInfo(sharedDataFolder(place.executableFolder)).isDir();
}

ProgramFolder::Choice ProgramFolder::choose(const QString& requested, const Place& place)
{
    if (!requested.isEmpty())
        return {QDir(requested).absolutePath(), {}};
    if (!isInstalled(place))
        return {place.executableFolder, {}};
    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    const QString dataHome = QDir::isAbsolutePath(place.xdgDataHome)
                                 ? place.xdgDataHome
                                 : place.home + QStringLiteral("/.local/share");
    return {QDir::cleanPath(dataHome + QStringLiteral("/velumo")),
            sharedDataFolder(place.executableFolder) + QStringLiteral("/demo")};
}

QString ProgramFolder::prepare(const Choice& choice)
{
    if (choice.seedFolder.isEmpty() || QFileInfo::exists(choice.folder))
        return {};
    // Filled under another name and renamed, so a start that ends half way leaves no half
    // folder that the next start would take for the user's own.
    const QString partial = choice.folder + QStringLiteral(".new");
    QDir(partial).removeRecursively();
    if (!QDir().mkpath(partial))
        return QStringLiteral("cannot make the program folder %1").arg(choice.folder);
    QString error;
    if (QFileInfo(choice.seedFolder).isDir())
        error = copyTree(choice.seedFolder, partial);
    if (error.isEmpty() && !QDir().rename(partial, choice.folder))
        error = QStringLiteral("cannot make the program folder %1").arg(choice.folder);
    if (!error.isEmpty())
        QDir(partial).removeRecursively();
    return error;
}

QString ProgramFolder::ruffleFolder(const QString& executableFolder, const QString& fallback)
{
    const QString beside = executableFolder + QStringLiteral("/ruffle");
    if (hasRuffle(beside))
        return beside;
    const QString installed = sharedDataFolder(executableFolder) + QStringLiteral("/ruffle");
    if (hasRuffle(installed))
        return installed;
    return fallback.isEmpty() ? beside : fallback;
}

}  // namespace velumo
