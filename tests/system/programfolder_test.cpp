#include <gtest/gtest.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "base/programfolder.h"

using namespace velumo;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// An installed tree: <root>/usr/bin and <root>/usr/share/velumo/demo with two blocks and an icon.
struct InstalledTree {
    QTemporaryDir root;
    QString bin = root.filePath("usr/bin");
    QString demo = root.filePath("usr/share/velumo/demo");

    InstalledTree()
    {
        QDir().mkpath(bin);
        writeFile(demo + "/demo.str", "demo block");
        writeFile(demo + "/demo2.str", "second block");
        writeFile(demo + "/icons/0.png", "icon");
        QFile::setPermissions(demo + "/demo.str", QFile::ReadOwner | QFile::ReadGroup);
    }
};

TEST(ProgramFolder, ChoosesTheExecutablesFolderTheUsersDataFolderOrTheNamedOne)
{
    QTemporaryDir build;
    ProgramFolder::Place place{build.path(), true, QString(), "/home/op"};
    // A build tree or an unpacked copy keeps its files beside the program.
    ProgramFolder::Choice choice = ProgramFolder::choose({}, place);
    EXPECT_EQ(choice.folder, build.path());
    EXPECT_TRUE(choice.seedFolder.isEmpty());

    // A folder the user cannot write: the user's data folder, seeded from the installed demo.
    place.executableFolder = "/usr/bin";
    place.executableFolderWritable = false;
    choice = ProgramFolder::choose({}, place);
    EXPECT_EQ(choice.folder, "/home/op/.local/share/velumo");
    EXPECT_EQ(choice.seedFolder, "/usr/share/velumo/demo");
    place.xdgDataHome = "/data/op";
    EXPECT_EQ(ProgramFolder::choose({}, place).folder, "/data/op/velumo");
    // A relative XDG_DATA_HOME is not valid and is ignored.
    place.xdgDataHome = "data";
    EXPECT_EQ(ProgramFolder::choose({}, place).folder, "/home/op/.local/share/velumo");

    // Root may write /usr/bin, an unpacked package may lie anywhere: share/velumo beside the bin
    // folder makes it an installed program all the same.
    InstalledTree tree;
    place = {tree.bin, true, QString(), "/root"};
    EXPECT_TRUE(ProgramFolder::isInstalled(place));
    choice = ProgramFolder::choose({}, place);
    EXPECT_EQ(choice.folder, "/root/.local/share/velumo");
    EXPECT_EQ(choice.seedFolder, tree.demo);

    // --dir wins everywhere, made absolute, and is never seeded.
    for (bool writable : {true, false}) {
        place.executableFolderWritable = writable;
        choice = ProgramFolder::choose("/srv/station/", place);
        EXPECT_EQ(choice.folder, "/srv/station");
        EXPECT_TRUE(choice.seedFolder.isEmpty());
        EXPECT_EQ(ProgramFolder::choose("station", place).folder,
                  QDir::current().absoluteFilePath("station"));
    }
}

TEST(ProgramFolder, ProbeReadsTheFolderAndTheEnvironment)
{
    QTemporaryDir folder;
    const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "/data/op");
    ProgramFolder::Place place = ProgramFolder::probe(folder.path());
    EXPECT_EQ(place.executableFolder, folder.path());
    EXPECT_TRUE(place.executableFolderWritable);
    EXPECT_EQ(place.xdgDataHome, "/data/op");
    EXPECT_EQ(place.home, QDir::homePath());
    EXPECT_FALSE(ProgramFolder::isInstalled(place));
    qunsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(ProgramFolder::probe(folder.path()).xdgDataHome.isEmpty());
    if (hadXdg)
        qputenv("XDG_DATA_HOME", savedXdg);
    // Root writes everywhere; anyone else is refused a read-only folder.
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(ProgramFolder::probe(folder.path()).executableFolderWritable, ::geteuid() == 0);
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(ProgramFolder::probe(folder.path() + "/missing").executableFolderWritable);
}

TEST(ProgramFolder, FirstStartCopiesTheDemoAndLaterStartsKeepTheUsersFiles)
{
    InstalledTree tree;
    QTemporaryDir home;
    const ProgramFolder::Place place{tree.bin, false, QString(), home.path()};
    const ProgramFolder::Choice choice = ProgramFolder::choose({}, place);
    const QString folder = home.filePath(".local/share/velumo");
    ASSERT_EQ(choice.folder, folder);

    EXPECT_EQ(ProgramFolder::prepare(choice), QString());
    EXPECT_EQ(readFile(folder + "/demo.str"), "demo block");
    EXPECT_EQ(readFile(folder + "/demo2.str"), "second block");
    EXPECT_EQ(readFile(folder + "/icons/0.png"), "icon");
    EXPECT_FALSE(QFileInfo::exists(folder + ".new"));
    // The installed file is read-only; the user's copy is not.
    EXPECT_TRUE(QFileInfo(folder + "/demo.str").permissions() & QFile::WriteOwner);

    // The user changes one block and deletes another: a second start restores nothing.
    writeFile(folder + "/demo.str", "my block");
    QFile::remove(folder + "/demo2.str");
    EXPECT_EQ(ProgramFolder::prepare(choice), QString());
    EXPECT_EQ(readFile(folder + "/demo.str"), "my block");
    EXPECT_FALSE(QFileInfo::exists(folder + "/demo2.str"));
}

TEST(ProgramFolder, AnInterruptedFirstStartIsDoneAgainAndANamedFolderIsNotTouched)
{
    InstalledTree tree;
    QTemporaryDir home;
    const ProgramFolder::Choice choice =
        ProgramFolder::choose({}, {tree.bin, false, QString(), home.path()});
    // What a start that ended while copying left behind.
    writeFile(choice.folder + ".new/demo.str", "half");
    EXPECT_EQ(ProgramFolder::prepare(choice), QString());
    EXPECT_EQ(readFile(choice.folder + "/demo.str"), "demo block");
    EXPECT_FALSE(QFileInfo::exists(choice.folder + ".new"));

    // A folder named by --dir is the operator's: not made, not seeded.
    const QString named = home.filePath("station");
    EXPECT_EQ(ProgramFolder::prepare(ProgramFolder::choose(named, {tree.bin, false, {}, {}})),
              QString());
    EXPECT_FALSE(QFileInfo::exists(named));

    // A data folder that cannot be made is reported, not ignored.
    writeFile(home.filePath("blocked"), "a file, not a folder");
    const ProgramFolder::Choice blocked{home.filePath("blocked/velumo"), tree.demo};
    EXPECT_FALSE(ProgramFolder::prepare(blocked).isEmpty());
}

TEST(ProgramFolder, RuffleIsFoundBesideTheProgramThenInTheInstalledTree)
{
    InstalledTree tree;
    const QString installed = tree.root.filePath("usr/share/velumo/ruffle");
    const QString beside = tree.bin + "/ruffle";
    const QString fallback = tree.root.filePath("build/ruffle");
    // None has it: the fallback names where it was looked for last.
    EXPECT_EQ(ProgramFolder::ruffleFolder(tree.bin, fallback), fallback);
    EXPECT_EQ(ProgramFolder::ruffleFolder(tree.bin, {}), beside);
    // A folder without ruffle.js does not count.
    QDir().mkpath(installed);
    EXPECT_EQ(ProgramFolder::ruffleFolder(tree.bin, fallback), fallback);
    writeFile(installed + "/ruffle.js", "//");
    EXPECT_EQ(ProgramFolder::ruffleFolder(tree.bin, fallback),
              QDir::cleanPath(tree.bin + "/../share/velumo/ruffle"));
    writeFile(beside + "/ruffle.js", "//");
    EXPECT_EQ(ProgramFolder::ruffleFolder(tree.bin, fallback), beside);
}

}  // namespace
