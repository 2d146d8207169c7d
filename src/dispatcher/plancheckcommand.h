#pragma once

#include <QString>
#include <QStringList>

namespace velumo {

// "velumo --check-plan FILE": prints for each line of the plan file whether and when it will
// run against now; the slot fields come from velumo.cfg of the program folder when it exists,
// and what this machine lacks for a line (its file, LibreOffice, Ruffle from ruffleFolders, a
// capture device) is named. Returns the exit code: 0 when every future line will run as
// written, 1 otherwise, and kPlanUnreadable when the file cannot be read.
inline constexpr int kPlanUnreadable = 2;
int runPlanCheck(const QString& planFile, const QString& programFolder,
                 const QStringList& ruffleFolders = {});

}  // namespace velumo
