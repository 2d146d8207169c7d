#include <unistd.h>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>
#include <memory>

#include "alerts/checkalertcommand.h"
#include "app/application.h"
#include "asrun/asruncommand.h"
#include "base/commandline.h"
#include "base/controlchannel.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/programfolder.h"
#include "devices/powercontrol.h"
#include "dispatcher/plancheckcommand.h"
#include "fleet/fleetview.h"
#include "net/curlglobal.h"
#include "players/web/flashwindow.h"
#include "players/web/webengine.h"
#include "system/heaps.h"
#include "system/servicenotifier.h"
#include "system/servicestart.h"
#include "system/stopsignals.h"
#include "ui/qttranslations.h"

using namespace velumo;

int main(int argc, char** argv)
{
    // Before any thread starts: no program this one starts speaks to systemd in its name.
    ServiceNotifier::takeFromEnvironment(qint64(::getpid()));
    // libcurl's set-up is not thread-safe: done here, before any thread starts, for the run.
    const CurlGlobal curl;
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    // The fleet's view and its remote commands: no windows, no display, no program folder.
    if (const qsizetype fleetAt = arguments.indexOf(QStringLiteral("--fleet")); fleetAt >= 0) {
        QCoreApplication core(argc, argv);
        return fleet::runFleetCommand(arguments.mid(fleetAt + 1));
    }
    const CommandLine commandLine = CommandLine::parse(arguments);
    const ProgramFolder::Choice choice = ProgramFolder::choose(
        commandLine.programFolder, ProgramFolder::probe(ProgramFolder::executableFolder(argv[0])));
    const QString folder = choice.folder;

    if (commandLine.help || commandLine.version) {
        std::fputs((commandLine.help ? CommandLine::usage() : CommandLine::versionText() + u'\n')
                       .toUtf8()
                       .constData(),
                   stdout);
        return 0;
    }

    if (commandLine.send) {
        QCoreApplication core(argc, argv);
        const ControlReply reply = sendControlCommand(folder, commandLine.sendCommand);
        std::fputs(reply.text.toUtf8().constData(), reply.code == 0 ? stdout : stderr);
        std::fputs("\n", reply.code == 0 ? stdout : stderr);
        return reply.code;
    }

    // The journal's verifier and report: no windows, no display, nothing written.
    if (commandLine.asrunVerify)
        return asrun::runVerify(commandLine.positional, commandLine.asrunPublicKey, folder);
    if (commandLine.asrunReport)
        return asrun::runReport(commandLine.positional, commandLine.asrunCsv, commandLine.asrunKind,
                                commandLine.asrunFile, folder);

    // The plan check: no windows, no control channel, nothing written.
    if (commandLine.checkPlan) {
        QCoreApplication core(argc, argv);
        return runPlanCheck(commandLine.checkPlanFile, folder,
                            {FlashWindow::defaultRuffleFolder()});
    }

    // The alert check: no windows, nothing written.
    if (commandLine.checkAlert) {
        QCoreApplication core(argc, argv);
        return alerts::runCheckAlert(commandLine.checkAlertFile, folder);
    }

    // An installed program's own folder in the user's data folder is made at the first start.
    if (const QString error = ProgramFolder::prepare(choice); !error.isEmpty())
        std::fputs((error + u'\n').toLocal8Bit().constData(), stderr);

    // Started by the service manager, the program waits for a display and a free folder rather
    // than fail and be started again and again.
    const ServiceNotifier::Setup service = ServiceNotifier::fromEnvironment(qint64(::getpid()));
    const bool underService = !service.socket.isEmpty();
    if (underService && commandLine.powerSwitch == CommandLine::Switch::None)
        ServiceStart::waitForWhatTheStartNeeds(service, folder);

    // Single instance: a copy already running on this folder is only shown (or closed by
    // "kill"); this copy then ends without touching any file.
    const bool running = isRunning(folder);
    auto power = createSystemPowerControl();
    if (commandLine.powerSwitch == CommandLine::Switch::Down)
        power->shutdown(true);
    else if (commandLine.powerSwitch == CommandLine::Switch::Sleep)
        power->suspend(true);
    if (commandLine.powerSwitch == CommandLine::Switch::Kill) {
        if (running)
            sendControlCommand(folder, QStringLiteral("close"));
        return 0;
    }
    if (running) {
        // The autostart entry's start beside the service's copy: that copy runs the station, and
        // nothing of either comes up on the public screen.
        if (underService || (commandLine.autostart && ServiceNotifier::copyRunsAsService(folder)))
            return 0;
        // The main window and the panel both come back (also from the notification area).
        sendControlCommand(folder, QStringLiteral("show"));
        sendControlCommand(folder, QStringLiteral("panel restore"));
        return 0;
    }

    shareTheHeaps();
    prepareWebEngine();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velumo"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The operator reads Russian: Qt's own dialogs and buttons too.
    if (!installQtTranslations(app))
        std::fputs("Qt's Russian translations were not found; Qt's own texts stay English\n",
                   stderr);
    // From here on a stop signal ends the run as the exit command does (handled once the event
    // loop runs); before, it ends the program as it always did.
    if (!StopSignals::install())
        std::fputs("The stop signals cannot be caught; they end the program outright\n", stderr);
    // Only the construction and start-up are caught here: once the event loop runs, every entry
    // point goes through the guard, and a failure there is reported while the program goes on.
    std::unique_ptr<Application> application;
    try {
        application = std::make_unique<Application>(folder, commandLine, *power);
        if (!application->start()) {
            // Another copy took the folder at the same moment: it is shown, as above.
            if (!underService) {
                sendControlCommand(folder, QStringLiteral("show"));
                sendControlCommand(folder, QStringLiteral("panel restore"));
            }
            return 0;
        }
    } catch (...) {
        const QString text = QStringLiteral("Возможно в системе не установлен медиаплеер!?");
        EventLog(folder + QLatin1String("/velumo.log"))
            .write(QStringLiteral("error"), currentExceptionText());
        EventLog(folder + QLatin1String("/velumo.log")).write(QStringLiteral("message"), text);
        QMessageBox::critical(nullptr, QStringLiteral("Велумо"), text);
        return 1;
    }
    return app.exec();
}
