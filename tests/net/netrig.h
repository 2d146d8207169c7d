#pragma once

#include <QString>
#include <QTemporaryDir>

#include "base/eventlog.h"
#include "base/settings.h"
#include "fakes/faketimers.h"
#include "fakes/stubs.h"
#include "fakes/testsupport.h"
#include "net/dialup.h"
#include "net/fakenmcli.h"
#include "ticker/blocktextreader.h"
#include "ticker/tickerblock.h"

namespace velumo::test {

// A temporary program folder with the stand-in nmcli first on PATH, velumo.log in it and a
// notifier that writes into that log.
struct NetFolder {
    QTemporaryDir dir;
    FakeNmcli nmcli{dir.filePath(QStringLiteral("bin"))};
    EventLog log{dir.filePath(QStringLiteral("velumo.log"))};
    RecordingNotifier notifier{&log};

    QString logText() const { return QString::fromUtf8(readAll(log.path())); }
};

// What the FTP exchange works with besides its folder: the settings, the ticker's lists, timers
// that fire only when a test says so, and the dial-up connection.
struct ExchangeRig : NetFolder {
    Settings settings;
    TickerBlock block{settings};
    CountingBlockEdits edits;
    BlockTextReader blockText{block, edits};
    FakeTimerFactory timers;
    DialUp dialUp{notifier, &log};
};

}  // namespace velumo::test
