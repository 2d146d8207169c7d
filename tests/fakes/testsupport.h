#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/notifier.h"

namespace velumo::test {

// Records every message and question instead of showing it; questions get `answer`.
class RecordingNotifier final : public Notifier {
public:
    using Notifier::errorReport;
    using Notifier::Notifier;
    QStringList messages;
    QStringList errors;
    std::vector<Origin> errorOrigins;  // where each error report came from
    QStringList questions;
    QStringList questionTitles;
    bool answer = true;

    void errorReport(const QString& text, const Origin& origin) override
    {
        errorOrigins.push_back(origin);
        Notifier::errorReport(text, origin);
    }

protected:
    void showMessage(const QString&, const QString& text, bool error) override
    {
        (error ? errors : messages).append(text);
    }
    bool showQuestion(const QString& title, const QString& text, bool) override
    {
        questions.append(text);
        questionTitles.append(title);
        return answer;
    }
};

// A wall clock and a monotonic clock that move only when told.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2010, 10, 13), QTime(12, 0)))
        : m_now(std::move(start))
    {
    }
    QDateTime now() const override { return m_now; }
    qint64 monotonicMs() const override { return m_monotonicMs; }
    void advanceMs(qint64 ms)
    {
        m_now = m_now.addMSecs(ms);
        m_monotonicMs += ms;
    }
    void setNow(const QDateTime& now) { m_now = now; }  // a wall-clock jump

private:
    QDateTime m_now;
    qint64 m_monotonicMs = 0;
};

// A clock that runs in real time from a chosen moment, for tests on the event loop's timers.
class RunningClock final : public Clock {
public:
    explicit RunningClock(QDateTime start) : m_start(std::move(start)) { m_elapsed.start(); }
    QDateTime now() const override { return m_start.addMSecs(m_elapsed.elapsed()); }
    qint64 monotonicMs() const override { return m_elapsed.elapsed(); }

private:
    QDateTime m_start;
    QElapsedTimer m_elapsed;
};

// Runs the event loop until the condition holds or the time is up; false when it never held.
// The default is generous: the suites run in parallel on a loaded machine. Polling another
// program takes a longer step, which leaves the machine to that program.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 20000, int stepMs = 1);

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);
QByteArray cp1251(const QString& text);
// The texts of the events of one kind in an event log (velumo.log), in their order.
QStringList logEvents(const QString& logPath, const QString& kind);
// The machine's load average over 1, 5 and 15 minutes, as /proc/loadavg gives it; "?" without.
QString loadAverage();

}  // namespace velumo::test
