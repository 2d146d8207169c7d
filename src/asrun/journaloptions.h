#pragma once

#include <QString>

namespace velumo::asrun {

// The journal's settings, from "asrun.ini" in the program folder (UTF-8 INI, a file of its own):
//   folder=asrun          the journal's folder, relative to the program folder or absolute
//   retention_days=400    sealed days older than this are removed
struct JournalOptions {
    QString folder = QStringLiteral("asrun");
    int retentionDays = 400;
    int queueLimit = 10000;  // records that wait in memory while the disk is full

    static JournalOptions read(const QString& programFolder);
    // The journal's folder, absolute.
    QString folderPath(const QString& programFolder) const;
};

}  // namespace velumo::asrun
