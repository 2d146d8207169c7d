#pragma once

#include <QString>
#include <QStringList>

namespace velumo::asrun {

// The command-line modes of the journal (no windows, no display): print to stdout and stderr and
// return the exit code.

// "--asrun-verify [--pub FILE] FILE...": 0 all holds, 1 the first record that does not (named),
// 2 a file (or the key) cannot be read. Without --pub the program folder's asrun.pub is used, else
// the one beside the journal's folder.
int runVerify(const QStringList& files, const QString& publicKeyPath, const QString& programFolder);

// "--asrun-report FROM TO [--csv] [--kind K] [--file NAME]" over the program folder's journal:
// 0 printed, 1 wrong arguments, 2 a file cannot be read.
int runReport(const QStringList& arguments, bool csv, const QString& kind, const QString& file,
              const QString& programFolder);

}  // namespace velumo::asrun
