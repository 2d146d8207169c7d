#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "base/worker.h"
#include "system/screenhold.h"

namespace velumo {

// The X server's own screen saver and DPMS, through the xset program: the settings found are
// kept, the saver and DPMS switched off while held, and the settings found put back on release.
// xset runs on a worker thread (one at a time, in order), never on the user-interface thread
// but at exit. While held, what was found is also kept in a file (keptPath): a run that ended
// without its release leaves it, and the next hold puts back those settings, not the ones
// the crash left switched off.
class XsetScreenHold final : public QObject, public ScreenHold {
    Q_OBJECT
public:
    // The server's settings as "xset q" gives them.
    struct Settings {
        int saverTimeoutS = 0;
        int saverCycleS = 0;
        bool dpmsPresent = false;
        bool dpmsEnabled = false;
        int standbyS = 0;
        int suspendS = 0;
        int offS = 0;
    };
    // Nothing when the text has no screen-saver section.
    static std::optional<Settings> parse(const QString& xsetQuery);
    // The xset argument lists that put the settings back.
    static QList<QStringList> restoreArguments(const Settings& settings);

    XsetScreenHold(QString keptPath, QString display = qEnvironmentVariable("DISPLAY"),
                   QObject* parent = nullptr);
    ~XsetScreenHold() override;

    QString kind() const override { return QStringLiteral("x11"); }
    void probe(std::function<void(bool offered)> answer) override;
    void hold(Answer answer) override;
    void release(Answer answer) override;
    QString releaseNow() override;

private:
    // The release job: the settings found put back, the kept file removed. failure (when given)
    // receives why it failed, for the exit that cannot wait for an answer.
    void runRelease(Answer answer, std::shared_ptr<QString> failure = {});

    QString m_keptPath;
    QString m_display;
    Worker m_worker;
    // What hold() found; the job that restores it reads the copy it was given.
    std::shared_ptr<std::optional<Settings>> m_found;
};

}  // namespace velumo
