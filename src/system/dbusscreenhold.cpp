#include "dbusscreenhold.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFileInfo>
#include <utility>

#include "base/guard.h"

namespace velumo {

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");

QDBusMessage screenSaverCall(const QString& method)
{
    return QDBusMessage::createMethodCall(DBusScreenHold::kService, kPath, DBusScreenHold::kService,
                                          method);
}

// A session bus we know of; without one, Qt would try to start a bus of its own.
bool sessionBusKnown()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QLatin1String("/bus"));
}

template <typename Handler>
void whenAnswered(const QDBusPendingCall& call, QObject* context, Handler handler)
{
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    connectGuarded(watcher, &QDBusPendingCallWatcher::finished, context,
                   Origin::unattended(QStringLiteral("screen")),
                   [watcher, handler](QDBusPendingCallWatcher*) {
                       watcher->deleteLater();
                       handler(*watcher);
                   });
}

}  // namespace

const QString DBusScreenHold::kService = QStringLiteral("org.freedesktop.ScreenSaver");

DBusScreenHold::DBusScreenHold() = default;

DBusScreenHold::~DBusScreenHold() = default;

void DBusScreenHold::probe(std::function<void(bool offered)> answer)
{
    if (!sessionBusKnown() || !QDBusConnection::sessionBus().isConnected()) {
        answer(false);
        return;
    }
    const QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    whenAnswered(QDBusConnection::sessionBus().asyncCall(QDBusMessage(ask) << kService),
                 m_context.get(), [answer](const QDBusPendingCall& call) {
                     const QDBusPendingReply<bool> reply = call;
                     answer(!reply.isError() && reply.value());
                 });
}

void DBusScreenHold::answerHold(const QString& failure)
{
    if (Answer answer = std::exchange(m_holdAnswer, nullptr))
        answer(failure);
}

void DBusScreenHold::hold(Answer answer)
{
    m_wanted = true;
    m_holdAnswer = std::move(answer);
    if (m_cookie) {
        answerHold({});
        return;
    }
    if (m_asking)
        return;
    m_asking = true;
    QDBusMessage inhibit = screenSaverCall(QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("velumo") << QStringLiteral("Вещание в эфире");
    whenAnswered(
        QDBusConnection::sessionBus().asyncCall(inhibit), m_context.get(),
        [this](const QDBusPendingCall& call) {
            m_asking = false;
            const QDBusPendingReply<uint> reply = call;
            if (reply.isError()) {
                answerHold(QStringLiteral("%1 refused Inhibit: %2 %3")
                               .arg(kService, reply.error().name(), reply.error().message()));
                return;
            }
            m_cookie = reply.value();
            // Off air again while the answer was on its way.
            if (!m_wanted)
                release([](const QString&) {});
            else
                answerHold({});
        });
}

void DBusScreenHold::release(Answer answer)
{
    m_wanted = false;
    m_holdAnswer = nullptr;
    if (!m_cookie) {
        answer({});
        return;
    }
    QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
    call << *m_cookie;
    m_cookie.reset();
    whenAnswered(QDBusConnection::sessionBus().asyncCall(call), m_context.get(),
                 [answer](const QDBusPendingCall& reply) {
                     answer(reply.isError() ? QStringLiteral("%1 refused UnInhibit: %2")
                                                  .arg(kService, reply.error().message())
                                            : QString());
                 });
}

QString DBusScreenHold::releaseNow()
{
    m_wanted = false;
    m_holdAnswer = nullptr;
    if (!m_cookie)
        return {};
    QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
    call << *m_cookie;
    m_cookie.reset();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ErrorMessage
               ? QStringLiteral("%1 refused UnInhibit: %2").arg(kService, reply.errorMessage())
               : QString();
}

}  // namespace velumo
