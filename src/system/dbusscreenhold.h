#pragma once

#include <QObject>
#include <memory>
#include <optional>

#include "system/screenhold.h"

namespace velumo {

// org.freedesktop.ScreenSaver on the session bus: Inhibit gives a cookie, UnInhibit with it
// ends the hold. The bus ends the hold by itself when our connection goes, so a crash releases
// it too. Every call is asynchronous but the one at exit.
class DBusScreenHold final : public ScreenHold {
public:
    static const QString kService;

    DBusScreenHold();
    ~DBusScreenHold() override;

    QString kind() const override { return QStringLiteral("dbus"); }
    void probe(std::function<void(bool offered)> answer) override;
    void hold(Answer answer) override;
    void release(Answer answer) override;
    QString releaseNow() override;

private:
    // The answer of the hold asked last, once the service's answer is there.
    void answerHold(const QString& failure);

    // The answers come back to this object while the hold lives.
    std::unique_ptr<QObject> m_context = std::make_unique<QObject>();
    bool m_wanted = false;
    bool m_asking = false;
    std::optional<uint> m_cookie;
    Answer m_holdAnswer;
};

}  // namespace velumo
