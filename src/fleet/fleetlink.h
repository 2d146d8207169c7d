#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "fleet/eventspool.h"
#include "fleet/fleetconfig.h"

namespace velumo {

struct Event;
class EventLog;
class OnAirModel;
struct OnAirNow;
class Timer;
class TimerFactory;

namespace fleet {

class MqttClient;
struct MqttMessage;

// The station's link to the fleet's broker, under velumo/<station>/:
//   online     retained "1" while connected; the broker's last will sets "0", so does a clean exit
//   status     retained; the control channel's status plus station, version, uptime_s, on_air (the
//              on-air model's players and plan line) and alarms; on every change of what is on
//              air and every status interval
//   events     QoS 1; the events of velumo.log's kinds the fleet reads, each with a sequence
//              number of the station's own, through the disk spool (nothing is lost while the
//              broker is away; the spool drains in order on reconnect)
//   cmd        MQTT 5 requests: one control command line, answered on the request's response
//              topic (under velumo/<station>/reply/ only) with the code and text of the control
//              channel; verbs off the allow-list, and arguments their verb does not declare for
//              the fleet, are refused with code 2 and never run. A request that comes again (the
//              same response topic and correlation data) gets the first answer and runs once.
//              Larger than kCommandBytes, it is refused unread
//   alert      a CAP document for this station; with velumo/all/alert (the whole fleet's), QoS 1,
//              handed to the alerts' intake when the station takes alerts; the broker's ACL lets
//              only operators write them. Larger than kAlertBytes, the broker never hands it to us
//   screenshot the PNG of the screenshot source, on the command "screenshot"
// The network work runs on the client's thread; everything here runs on the user-interface
// thread, whose connections go through the guard.
//
// What the link says of itself goes to velumo.log only, never to the events topic: a failure of
// the link reported through the link would fail again, without end. An event the broker refuses
// (its ACL, say) stays in the spool; the link stops sending events (state "error", one log line a
// minute at most) and offers the first of them again once a minute. One larger than the broker
// takes is logged and left out, so it never holds up those behind it.
class FleetLink final : public QObject {
    Q_OBJECT
public:
    // Runs one command line as the control channel does; answer gets its code and text once.
    using Execute =
        std::function<void(const QString& line, std::function<void(int, const QString&)> answer)>;

    using Screenshot = std::function<void(std::function<void(const QByteArray& png)> done)>;

    struct Sources {
        // The control channel's status object.
        std::function<QJsonObject()> status;
        // The control channel's dispatch.
        Execute execute;
        // Makes the PNG of what is on screen and hands it to its callback later, on this thread
        // (empty when there is none); none: "screenshot" answers that there is none. The
        // picture is encoded off the user-interface thread, so the strip never waits for it.
        Screenshot screenshot = {};
        // The alarms now (a JSON array); none: an empty array.
        std::function<QJsonArray()> alarms = {};
        // Takes a CAP document that came on an alert topic (source: "fleet TOPIC"); none: the
        // station takes no alerts and subscribes to none.
        std::function<void(const QByteArray& document, const QString& source)> alert = {};
    };

    FleetLink(FleetConfig config, QString programFolder, EventLog& log, const OnAirModel& onAir,
              Sources sources, TimerFactory& timers, QObject* parent = nullptr);
    ~FleetLink() override;

    // Opens the spool and starts connecting (in the background).
    void start();
    // A clean exit: online "0", what is queued goes out, the connection ends.
    void stop();

    // What the link is and holds now, as the status member "fleet" tells it.
    struct LinkState {
        QString state;  // stopped, connecting, online, offline or error
        QString error;
        qint64 spool = 0;       // events waiting in the spool
        qint64 spoolBytes = 0;  // their size on disk
    };
    LinkState linkState() const;
    // The "fleet" member of the status: state, broker, station, spool depth, error.
    QJsonObject fleetStatus() const;
    const FleetConfig& config() const { return m_config; }
    QString topic(const QString& leaf) const;
    bool isOnline() const { return m_online; }
    const EventSpool& spool() const { return *m_spool; }

    // The event kinds that go to the events topic.
    static bool forwards(const QString& kind);
    // The status's "on_air" of what is on air: the content on the screen, by the plan or by
    // hand, each with its kind's fleet name, letter, slot, file or address and since when, and
    // the plan line started last.
    static QJsonObject onAirOf(const OnAirNow& now);
    static constexpr int kInFlight = 64;
    static constexpr int kStatusSettleMs = 200;
    static constexpr int kCommandBytes = 256 * 1024;
    // A CAP document of the largest size the station reads, with the packet's own bytes.
    static constexpr int kAlertBytes = (1 << 20) + 16 * 1024;
    // The fleet's topic for an alert to every station.
    static constexpr char kFleetAlertTopic[] = "velumo/all/alert";
    static constexpr int kRefusedRetryMs = 60000;
    // Answers kept for requests that come again.
    static constexpr int kRememberedAnswers = 256;

signals:
    void stateChanged();

private:
    void onEvent(const Event& event);
    void onConnected(int generation);
    void onDisconnected(int generation, const QString& reason, bool unusable);
    void onPublished(int generation, int messageId, int reasonCode);
    void onMessage(const MqttMessage& message);
    void sendMore();
    void publishStatus();
    void statusSoon();
    void reply(const MqttMessage& request, int code, const QString& text);
    void answer(const QByteArray& key, const MqttMessage& request, int code, const QString& text);
    // A line of the link's own in velumo.log; never an event of the fleet.
    void note(const QString& kind, const QString& text);
    void leaveOut(quint64 seq, const QString& why);
    void refused(quint64 seq, int reasonCode);
    void probe();
    void runCommand(const MqttMessage& request);
    void publishScreenshot(const QByteArray& key, const MqttMessage& request,
                           const QByteArray& png);
    QJsonObject onAir() const;

    FleetConfig m_config;
    QString m_folder;
    EventLog& m_log;
    const OnAirModel& m_onAir;
    Sources m_sources;
    std::unique_ptr<EventSpool> m_spool;
    std::unique_ptr<MqttClient> m_client;
    std::unique_ptr<Timer> m_statusSettle;
    std::unique_ptr<Timer> m_statusEvery;
    QElapsedTimer m_uptime;
    int m_generation = 0;
    bool m_online = false;
    bool m_started = false;
    QString m_error;
    // Message ids of the connection's events in flight, to their sequence numbers.
    QHash<int, quint64> m_inFlight;
    quint64 m_sentUpTo = 0;  // the last sequence number handed to this connection
    bool m_spoolAlarmed = false;
    // The client cannot be set up (a TLS file that cannot be read): why.
    QString m_unusable;
    // The broker refuses the station's events: none is sent but a probe a minute.
    bool m_held = false;
    QString m_refusal;
    quint64 m_resendFrom = 0;  // the first refused event: sent again once the broker takes one
    quint64 m_probing = 0;
    std::unique_ptr<Timer> m_probe;
    QElapsedTimer m_refusalNoted;
    struct Answered {
        bool done = false;
        int code = 0;
        QString text;
    };
    // By response topic and correlation data, oldest first.
    QHash<QByteArray, Answered> m_answers;
    QList<QByteArray> m_answerOrder;
};

}  // namespace fleet
}  // namespace velumo
