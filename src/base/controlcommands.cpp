#include "controlcommands.h"

namespace velumo::controlcommands {

namespace {

constexpr ControlCommand kCommands[] = {
    {"show", "", "main window to the front", "shown"},
    {"close", "", "close the main window (saves, ends)", "closed"},
    {"save", "", "save the settings files", "saved"},
    {"exit", "", "save, stop the ticker, close every window, end", "exiting"},
    {"get", "NAME", "a setting's value", nullptr},
    {"block load", "PATH", "open a block file", nullptr},
    {"block save", "PATH", "save the block into a file", "saved"},
    {"ticker start", "", "the ticker's start button", "ticker started"},
    {"ticker stop", "", "the ticker's stop button", "ticker stopped"},
    {"ticker continue", "", "the ticker's continue button", "ticker continued"},
    {"ticker restart", "", "the block again from its first line", "block restarted"},
    {"phrase", "TEXT", "TEXT next on the strip", "phrase queued"},
    {"log write", "", "write the playback log now", nullptr},
    {"dispatcher start", "", "the dispatcher's start button", "dispatcher started"},
    {"dispatcher stop", "", "the dispatcher's stop button", "dispatcher stopped"},
    {"ftp connect", "receive|transmit", "connect an FTP side", "queued"},
    {"ftp disconnect", "receive|transmit", "disconnect an FTP side", "queued"},
    {"ftp receive", "", "an FTP receive run", "queued"},
    {"ftp transmit", "", "an FTP transmit run", "queued"},
    {"ftp add-upload", "PATH", "add a file to the upload list", nullptr},
    {"dialup list", "receive|transmit", "list the dial-up lines", "queued"},
    {"dialup up", "receive|transmit", "dial a line up", "queued"},
    {"dialup down", "", "hang the line up", "queued"},
    {"rss read", "", "read the RSS feed into the block", nullptr},
    {"clip start", "", "the clip of SCEdit10 in the chosen player", "clip started"},
    {"clip stop", "", "stop that clip", "clip stopped"},
    {"clip test", "", "the clip page's test button", "clip test started"},
    {"clip pause", "", "the clip page's pause button", "clip paused"},
    {"clip play", "", "the clip page's play button", "clip playing"},
    {"clip close", "", "the clip page's close button", "clip closed"},
    {"clip restart", "", "the clip page's restart button", "clip restarted"},
    {"capture start", "", "start the broadcast from the capture device", "capture started"},
    {"capture stop", "", "stop the broadcast", "capture stopped"},
    {"capture devices", "", "the capture devices, one a line", nullptr},
    {"slides test", "", "the slide show's test run", "slide show started"},
    {"slides stop", "", "stop the slide show", "slide show stopped"},
    {"slides direct", "on|off", "direct output on the second screen", "direct output set"},
    {"flash start", "", "the Flash page's start button", "flash started"},
    {"flash stop", "", "the Flash page's stop button", "flash stopped"},
    {"flash play", "", "the Flash page's play button", "flash playing"},
    {"web show", "", "show the web page", "web page shown"},
    {"web hide", "", "hide the web page", "web page hidden"},
    {"web test", "", "the web page's test button", "web page test started"},
    {"web preview", "", "the web page's preview button", "web preview shown"},
    {"vibor", "N", "show thematic icon N", "icon shown"},
    {"panel show", "", "show the control panel", "panel shown"},
    {"panel restore", "", "the panel back from the notification area", "panel restored"},
    {"panel minimise", "", "the panel into the notification area", nullptr},
    {"panel exit", "", "the panel's exit button", "exiting"},
    {"panel phrase-add", "TEXT", "add a phrase to the panel's list", nullptr},
    {"panel phrase-delete", "N", "delete phrase N", nullptr},
    {"panel phrase-show", "N", "phrase N next on the strip", "phrase queued"},
    {"panel clock-phrase", "N", "phrase N on the clock", "clock phrase set"},
    {"panel clock-settings", "", "the clock shows its text of the settings", "clock text restored"},
    {"panel dispatcher-start", "", "the panel's dispatcher start", "dispatcher started"},
    {"panel capture-start", "", "the panel's capture start: the window and the device only",
     "capture started"},
    {"panel capture-stop", "", "the panel's capture stop", "capture stopped"},
    {"asrun seal", "", "seal the as-run journal now", nullptr},
    {"alert test", "", "a test alert (marked as such) in the alert band for 30 s", nullptr},
    {"screenshot", "[FILE]",
     "a PNG of what the program shows (screenshot.png in the program folder)", nullptr},
};

}  // namespace

std::span<const ControlCommand> all()
{
    return kCommands;
}

const ControlCommand* find(const QString& verb)
{
    for (const ControlCommand& command : kCommands)
        if (verb == QLatin1String(command.verb))
            return &command;
    return nullptr;
}

QString successReply(const QString& verb, const QString& reply)
{
    if (!reply.isEmpty())
        return reply;
    const ControlCommand* command = find(verb);
    return command && command->done ? QString::fromLatin1(command->done) : reply;
}

QString usageSection()
{
    constexpr qsizetype kColumn = 39;
    QString text = QStringLiteral("Commands of the control channel:\n");
    text += QStringLiteral("  status").leftJustified(kColumn) +
            QStringLiteral("one JSON object describing every part\n");
    for (const ControlCommand& command : kCommands) {
        QString call = QStringLiteral("  ") + QLatin1String(command.verb);
        if (*command.arguments)
            call += u' ' + QLatin1String(command.arguments);
        call = call.size() < kColumn ? call.leftJustified(kColumn) : call + u' ';
        text += call + QLatin1String(command.does) + u'\n';
    }
    return text;
}

}  // namespace velumo::controlcommands
