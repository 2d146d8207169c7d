#include "tickercommands.h"

#include <QFileInfo>
#include <QJsonObject>

#include "base/commandreply.h"
#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "ticker/playbacklog.h"
#include "ticker/rssfeed.h"
#include "ticker/tickerblock.h"
#include "ticker/tickerengine.h"

namespace velumo {

void addTickerCommands(ControlServer& c, TickerCommandTargets t)
{
    c.addStatus(QStringLiteral("block"), [t] {
        t.flushEdits();
        return QJsonValue(t.block.statusJson(t.settings.text(key::SCEdit5)));
    });
    c.addCommand(QStringLiteral("block load"),
                 [t](const QString& path, const std::shared_ptr<CommandReply>& reply) {
                     if (path.isEmpty())
                         throw Failure(QStringLiteral("block load needs a file path"));
                     // Answered when the block is in place, with its number of announcements.
                     t.loadBlock(path, [t, reply](const QString& error) {
                         if (error.isEmpty())
                             reply->done(QString::number(t.block.text().size()));
                         else
                             reply->fail(error);
                     });
                 });
    c.addCommand(QStringLiteral("block save"), [t](const QString& path) {
        if (path.isEmpty())
            throw Failure(QStringLiteral("block save needs a file path"));
        t.saveBlock(path);
        return QString();
    });
    c.addStatus(QStringLiteral("ticker"), [t] {
        return QJsonValue(QJsonObject{
            {QStringLiteral("running"), t.engine.TickerRunning()},
            {QStringLiteral("current_line"), t.engine.CurrentLine()},
            {QStringLiteral("on_air_line"), t.engine.onAirLine()},
            {QStringLiteral("resume_line"), t.engine.ResumeLine()},
            {QStringLiteral("block_run_count"), t.engine.BlockRunCount()},
            {QStringLiteral("halt_pending"), t.engine.haltPending()},
            // The key of the priority text (an alert's) crossing the strip; "" for the block's.
            {QStringLiteral("priority"), t.engine.priorityOnStrip()},
        });
    });
    c.addCommand(QStringLiteral("ticker start"), [t](const QString&) {
        t.engine.SCButton3Click();
        return QString();
    });
    c.addCommand(QStringLiteral("ticker stop"), [t](const QString&) {
        t.engine.StopTicker();
        return QString();
    });
    c.addCommand(QStringLiteral("ticker continue"), [t](const QString&) {
        t.engine.ContinueTicker();
        return QString();
    });
    c.addCommand(QStringLiteral("ticker restart"), [t](const QString&) {
        t.engine.restartBlock();
        return QString();
    });
    c.addCommand(QStringLiteral("phrase"), [t](const QString& text) {
        t.engine.setPanelPhrase(text);
        return QString();
    });
    c.addCommand(QStringLiteral("log write"), [t](const QString&) {
        const qsizetype waiting = t.playbackLog.records().size();
        const bool written = !QFileInfo::exists(t.playbackLog.currentFilePath());
        t.playbackLog.Timer7Timer();
        if (!t.playbackLog.writingOn())
            return QStringLiteral(
                "the playback log is off (SCCheckbox22, SCEdit103): nothing "
                "written");
        const QString path = t.settings.text(key::SCEdit88);
        if (!written)
            return QStringLiteral("%1 records wait for the next minute: there is already %2")
                .arg(waiting)
                .arg(path);
        return QStringLiteral("%1 records written to %2").arg(waiting).arg(path);
    });
}

void addFeedCommands(ControlServer& c, RssFeed& rss)
{
    // The command answers when its own read has ended; the strip and the timers go on meanwhile.
    c.addCommand(QStringLiteral("rss read"),
                 [&rss](const QString&, const std::shared_ptr<CommandReply>& reply) {
                     rss.readForCommand(reply);
                 });
    c.addStatus(QStringLiteral("rss"), [&rss] {
        return QJsonValue(QJsonObject{{QStringLiteral("last_address"), rss.shownAddress()},
                                      {QStringLiteral("lines"), qint64(rss.feedLines())},
                                      {QStringLiteral("reading"), rss.busy()},
                                      {QStringLiteral("progress"), rss.activity().toJson()}});
    });
}

}  // namespace velumo
