#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "net/netactivity.h"
#include "net/urlfetch.h"

namespace velumo {

class BlockEdits;
class CommandReply;
class EventLog;
class FeedSink;
class Notifier;
class Settings;
class Timer;
class TimerFactory;
class Worker;
struct RssDocument;

// The news feed in the ticker: reads the RSS 2.0 document at SCEdit20 (on a worker thread) and
// replaces the feed's lines of the previous read (marked " _ ") by the channel's last build date
// and the first child text of every item, through the block's FeedSink. By hand or every
// SpinEdit3 minutes (TimerRSS).
class RssFeed : public QObject {
    Q_OBJECT
public:
    RssFeed(Settings& settings, FeedSink& block, BlockEdits& edits, Notifier& notifier,
            EventLog* log, TimerFactory& timers, QString programFolder, FetchLimits limits = {},
            QObject* parent = nullptr);
    ~RssFeed() override;

    // Starts a read; the lines change when the document has arrived. after runs then, with
    // whether the document was applied. Reads run one after another, each with its own after.
    // What the arrival shows is charged to the account that was current when the read started
    // (a control command's), not to whatever runs when it arrives.
    void ReadRssFeed(std::function<void(bool applied)> after = {});
    // "Подключить RSS-канал": read, then automatic reading when SCCheckbox13 is ticked.
    void SCButton12Click();
    // The same, and finished learns how this read ended (after the automatic reading is armed).
    void connectFeed(std::function<void(bool applied)> finished);
    // The control command "rss read": SCButton12Click's read, answered when it has ended with
    // the number of feed lines, or failed when the feed was not read. Each command answers with
    // its own read: a second one while the first is pending queues a read of its own.
    void readForCommand(const std::shared_ptr<CommandReply>& reply);
    // "Загрузить RSS-контент в строку": the notice, then read.
    void SCButton82Click();
    void SCCheckbox13Click();
    void SpinEdit3Click();
    void TimerRSSTimer();
    // Start-up: automatic reading when SCCheckbox24 is ticked.
    void armAtStartup();

    // Puts a read document into the block (user-interface thread); false when the document was
    // unusable and the previous lines stayed.
    bool applyDocument(const RssDocument& document);

    const QString& lastAddress() const { return m_lastAddress; }
    // The last address as shown and logged: without a user name or password.
    QString shownAddress() const;
    qsizetype feedLines() const;
    bool busy() const { return m_pending > 0; }
    // What the read is doing, or how the last one ended.
    const NetActivity& activity() const { return m_activity; }
    Timer& timerRss() { return *m_timer; }

    // Called before the block is changed (brings the operator's pending edits into it).

    static const QString kVersionError;
    static const QString kBadAddress;
    static const QString kLoadNotice;

signals:
    void readFinished(bool applied);
    // The read's phase, progress (at most every few tenths of a second) or result changed.
    void activityChanged();

private:
    void enableTimer();
    void netLog(const QString& text);
    void showResult(const RssDocument& document, bool applied);

    Settings& m_settings;
    FeedSink& m_block;
    BlockEdits& m_edits;
    Notifier& m_notifier;
    EventLog* m_log;
    QString m_folder;
    FetchLimits m_limits;
    std::unique_ptr<Timer> m_timer;
    std::unique_ptr<Worker> m_worker;
    QString m_lastAddress;
    int m_pending = 0;
    NetActivity m_activity{NetActivity::Kind::Feed};
};

}  // namespace velumo
