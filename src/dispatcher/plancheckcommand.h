#pragma once

#include <QString>

namespace velumo {

// "velumo --check-plan FILE": prints for each line of the plan file whether and when it will
// run against now; the slot fields come from velumo.cfg of the program folder when it exists.
// Returns the exit code: 0 when every future line will run as written, 1 otherwise, and
// kPlanUnreadable when the file cannot be read.
inline constexpr int kPlanUnreadable = 2;
int runPlanCheck(const QString& planFile, const QString& programFolder);

}  // namespace velumo
