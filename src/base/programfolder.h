#pragma once

#include <QString>

namespace velumo {

// Where the program keeps its files when no "--dir" names a folder, and where an installed
// program finds what it brings along. A program run from a folder it may write (a build tree, an
// unpacked copy) keeps its files beside itself. An installed one (its folder cannot be written,
// or <prefix>/share/velumo lies beside its bin folder) keeps them in the user's data folder,
// made at the first start with the demo's blocks and icons from <prefix>/share/velumo/demo.
class ProgramFolder {
public:
    // What the choice depends on; probe() reads it from this process and its environment.
    struct Place {
        QString executableFolder;
        bool executableFolderWritable = true;
        QString xdgDataHome;  // $XDG_DATA_HOME as set, possibly empty
        QString home;
    };

    // The folder chosen and, for the user's default folder of an installed program, the demo
    // folder that seeds it.
    struct Choice {
        QString folder;
        QString seedFolder;
    };

    static Place probe(const QString& executableFolder);
    // The running executable's folder (through /proc/self/exe, so a link to it counts where it
    // points), or argv0's.
    static QString executableFolder(const char* argv0);

    // <exe>/../share/velumo, whether or not it exists.
    static QString sharedDataFolder(const QString& executableFolder);
    static bool isInstalled(const Place& place);

    // "--dir" when given (made absolute), else the executable's folder, else, for an installed
    // program, $XDG_DATA_HOME/velumo (~/.local/share/velumo when unset or not absolute).
    static Choice choose(const QString& requested, const Place& place);

    // Makes a chosen folder that has a seed folder and does not exist yet, and copies the seed
    // folder's files into it; a folder that exists is left as it is, so a user's files are never
    // overwritten. Returns an empty string, or what went wrong.
    static QString prepare(const Choice& choice);

    // The folder with ruffle.js: "ruffle" beside the executable, else share/velumo/ruffle of an
    // installed program, else FALLBACK (the build tree's); FALLBACK when none has it.
    static QString ruffleFolder(const QString& executableFolder, const QString& fallback);
};

}  // namespace velumo
