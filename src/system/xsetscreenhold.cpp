#include "xsetscreenhold.h"

#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "base/failure.h"
#include "base/guard.h"
#include "base/textfile.h"

namespace velumo {

namespace {

constexpr int kXsetTimeoutMs = 3000;

QString runXset(const QString& display, const QStringList& arguments)
{
    QProcess xset;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    xset.setProcessEnvironment(environment);
    xset.start(QStringLiteral("xset"), arguments);
    if (!xset.waitForFinished(kXsetTimeoutMs)) {
        xset.kill();
        xset.waitForFinished(1000);
        throw Failure(QStringLiteral("xset %1 did not answer").arg(arguments.join(u' ')));
    }
    if (xset.exitStatus() != QProcess::NormalExit || xset.exitCode() != 0)
        throw Failure(QStringLiteral("xset %1 failed: %2")
                          .arg(arguments.join(u' '),
                               QString::fromLocal8Bit(xset.readAllStandardError()).trimmed()));
    return QString::fromLocal8Bit(xset.readAllStandardOutput());
}

int number(const QString& text, const char* pattern)
{
    const QRegularExpressionMatch match =
        QRegularExpression(QString::fromLatin1(pattern)).match(text);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// Both the found settings and the shared slot are guarded: jobs run on the worker's thread.
QMutex g_foundLock;

}  // namespace

std::optional<XsetScreenHold::Settings> XsetScreenHold::parse(const QString& query)
{
    if (!query.contains(QLatin1String("Screen Saver:")))
        return std::nullopt;
    Settings settings;
    settings.saverTimeoutS = number(query, R"(timeout:\s*(\d+))");
    settings.saverCycleS = number(query, R"(cycle:\s*(\d+))");
    // The section is there without the extension too, saying it is missing.
    settings.dpmsPresent = query.contains(QLatin1String("DPMS (Energy Star):")) &&
                           !query.contains(QLatin1String("does not have the DPMS Extension"));
    if (settings.dpmsPresent) {
        settings.standbyS = number(query, R"(Standby:\s*(\d+))");
        settings.suspendS = number(query, R"(Suspend:\s*(\d+))");
        settings.offS = number(query, R"(Off:\s*(\d+))");
        settings.dpmsEnabled = query.contains(QLatin1String("DPMS is Enabled"));
    }
    return settings;
}

QList<QStringList> XsetScreenHold::restoreArguments(const Settings& settings)
{
    QList<QStringList> out{{QStringLiteral("s"), QString::number(settings.saverTimeoutS),
                            QString::number(settings.saverCycleS)}};
    if (settings.dpmsPresent) {
        out.append({QStringLiteral("dpms"), QString::number(settings.standbyS),
                    QString::number(settings.suspendS), QString::number(settings.offS)});
        out.append({settings.dpmsEnabled ? QStringLiteral("+dpms") : QStringLiteral("-dpms")});
    }
    return out;
}

XsetScreenHold::XsetScreenHold(QString keptPath, QString display, QObject* parent)
    : QObject(parent),
      m_keptPath(std::move(keptPath)),
      m_display(std::move(display)),
      m_worker(QStringLiteral("xset")),
      m_found(std::make_shared<std::optional<Settings>>())
{
}

XsetScreenHold::~XsetScreenHold() = default;

void XsetScreenHold::probe(std::function<void(bool offered)> answer)
{
    if (m_display.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xset")).isEmpty()) {
        answer(false);
        return;
    }
    m_worker.run(
        this,
        [display = m_display](const auto&) {
            return parse(runXset(display, {QStringLiteral("q")})).has_value();
        },
        [answer](const JobResult<bool>& result) { answer(result.ok() && *result.value); });
}

void XsetScreenHold::hold(Answer answer)
{
    m_worker.run(
        this,
        [display = m_display, kept = m_keptPath, found = m_found](const auto&) {
            const QString query = runXset(display, {QStringLiteral("q")});
            const std::optional<Settings> now = parse(query);
            if (!now)
                throw Failure(QStringLiteral("xset q gave no screen-saver settings: %1")
                                  .arg(query.left(200)));
            {
                // A hold that follows a hold keeps what was found first; one that follows a run
                // that never released takes what that run found.
                const QMutexLocker lock(&g_foundLock);
                if (!found->has_value()) {
                    std::optional<Settings> left;
                    if (QFile::exists(kept)) {
                        try {
                            left = parse(QString::fromLocal8Bit(readFileBytes(kept, 65536)));
                        } catch (...) {
                        }
                    }
                    *found = left ? left : now;
                    if (!left)
                        writeFileAtomic(kept, query.toLocal8Bit());
                }
            }
            runXset(display, {QStringLiteral("s"), QStringLiteral("off")});
            if (now->dpmsPresent)
                runXset(display, {QStringLiteral("-dpms")});
        },
        [answer](const JobResult<std::monostate>& result) { answer(result.error); });
}

void XsetScreenHold::runRelease(Answer answer, std::shared_ptr<QString> failure)
{
    m_worker.run(
        this,
        [display = m_display, kept = m_keptPath, found = m_found, failure](const auto&) {
            std::optional<Settings> settings;
            {
                const QMutexLocker lock(&g_foundLock);
                settings = *found;
                found->reset();
            }
            try {
                if (settings)
                    for (const QStringList& arguments : restoreArguments(*settings))
                        runXset(display, arguments);
            } catch (...) {
                if (failure) {
                    const QMutexLocker lock(&g_foundLock);
                    *failure = currentExceptionText();
                }
                // The settings found stay in the kept file for the next run to put back.
                throw;
            }
            QFile::remove(kept);
        },
        [answer](const JobResult<std::monostate>& result) { answer(result.error); });
}

void XsetScreenHold::release(Answer answer)
{
    runRelease(std::move(answer));
}

QString XsetScreenHold::releaseNow()
{
    auto failure = std::make_shared<QString>();
    runRelease([](const QString&) {}, failure);
    if (!m_worker.waitForIdle(std::chrono::milliseconds(2 * kXsetTimeoutMs)))
        return QStringLiteral("xset did not end in time");
    const QMutexLocker lock(&g_foundLock);
    return *failure;
}

}  // namespace velumo
