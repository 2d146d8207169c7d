#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace velumo::alerts {

// "velumo --check-alert FILE": reads a CAP file offline as the station reads one (alerts.ini of
// the program folder: signature, place, language, display rules; its defaults without one) and
// says what the station would do with it now: show it in the band or the strip (and until
// when), show it later, take others off (Update, Cancel), or why not. Returns the exit code: 0
// when the station would act on it, 1 when it would refuse or ignore it.
int runCheckAlert(const QString& file, const QString& programFolder);

// The same as text lines and an exit code, against the given moment.
QStringList checkAlertReport(const QString& file, const QString& programFolder,
                             const QDateTime& now, int* exitCode);

}  // namespace velumo::alerts
