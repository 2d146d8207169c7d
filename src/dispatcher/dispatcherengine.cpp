#include "dispatcherengine.h"

#include <QJsonArray>

#include "base/clock.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "dispatcher/scheduleline.h"
#include "dispatcher/walltimer.h"

namespace velumo {

const QString DispatcherEngine::kWaitingText = QStringLiteral("Жду обновления расписания");
const QString DispatcherEngine::kSavedEntryFile = QStringLiteral("str_disp.txt");

namespace {

const QString kAlreadyRunning = QStringLiteral("ЦУП уже запущен!");
const QString kBadScheduleMain =
    QStringLiteral("Ошибочное расписание диспетчера. \"Загрузка план-файла\" не отмечено.");
const QString kBadSchedulePanel = QStringLiteral("Ошибочное расписание диспетчера");
const QString kNoSchedule = QStringLiteral("Не загружено расписание диспетчера");
const QString kNoFileAtStartup = QStringLiteral("Не задан файл диспетчера!");
const QString kNoFileAtTicker = QStringLiteral("Не задан план-файл для ЦУП!");
const QString kResumeNotAllowed =
    QStringLiteral("Не включена автоматическая загрузка сценария диспетчера");
const QString kWaitingCode = QStringLiteral("FU");

// Polling an updated plan file at 0 s would reload it without pause.
constexpr qint64 kMinimumPollMs = 1000;

}  // namespace

DispatcherEngine::DispatcherEngine(QString programFolder, Settings& settings, Notifier& notifier,
                                   EventLog& log, const Clock& clock, TimerFactory& timers,
                                   EntryDevices devices, QObject* parent)
    : DispatcherEngine(std::move(programFolder), settings, notifier, log, clock, timers,
                       std::move(devices), nullptr, parent)
{
}

DispatcherEngine::DispatcherEngine(QString programFolder, Settings& settings, Notifier& notifier,
                                   EventLog& log, const Clock& clock, TimerFactory& timers,
                                   EntryDevices devices, HandlerSerializer* serializer,
                                   QObject* parent)
    : QObject(parent),
      m_folder(std::move(programFolder)),
      m_settings(settings),
      m_notifier(notifier),
      m_log(log),
      m_clock(clock),
      m_ownSerializer(serializer ? nullptr : std::make_unique<HandlerSerializer>(notifier, &log)),
      m_serializer(serializer ? *serializer : *m_ownSerializer),
      m_handlers(settings, notifier, log, clock, timers, m_serializer, std::move(devices)),
      m_timer1start(std::make_unique<WallTimer>(QStringLiteral("Timer1start"), timers, clock, &log))
{
    m_timer1start->setHandler([this] { Timer1startTimer(); });
}

DispatcherEngine::~DispatcherEngine() = default;

void DispatcherEngine::setMemon1(const QStringList& lines)
{
    // Polling an unchanged plan every few seconds must not redraw the schedule each time.
    if (lines == m_memon1)
        return;
    m_memon1 = lines;
    emit scheduleChanged();
}

void DispatcherEngine::loadPlanFile()
{
    setMemon1(readTextLines(m_settings.text(key::SCEditn10)));
}

void DispatcherEngine::choosePlanFile(const QString& path)
{
    m_settings.setText(key::SCEditn10, path);
    loadPlanFile();
}

void DispatcherEngine::armTimer(qint64 ms)
{
    m_timer1start->setInterval(ms);
    m_timer1start->start();
}

void DispatcherEngine::ArmNextStart(bool fromStartButton)
{
    m_settings.setText(key::SCEdit101, QString());
    if (m_memon1.isEmpty()) {
        showRunning(false);
        m_notifier.message(kNoSchedule);
        return;
    }
    const QDateTime now = m_clock.now();
    // A tick may run within the millisecond of its start: the line just executed, and lines
    // with the same start, must not be found again.
    QDateTime searchAt = now;
    if (m_lastExecutedStart && searchAt <= *m_lastExecutedStart)
        searchAt = m_lastExecutedStart->addMSecs(1);
    // The operator's start refuses a plan with a start that cannot be read, while he is there to
    // mend it; later searches pass such a line over, so that one line never ends the day.
    QList<qsizetype> unreadable;
    const std::optional<qsizetype> next =
        scheduleline::selectNext(m_memon1, searchAt, fromStartButton ? nullptr : &unreadable);
    for (qsizetype index : unreadable)
        skipUnreadableLine(m_memon1.at(index));
    if (next) {
        const QString line = m_memon1.at(*next);
        const QDateTime start = scheduleline::startOf(line, now.date().year()).toDateTime();
        m_waiting = false;
        m_settings.setText(key::SCEdit10, line);
        m_armedStart = start;
        armTimer(qMax<qint64>(0, now.msecsTo(start)));
        m_zupStarted = true;
        m_settings.setText(key::SCEdit101, scheduleline::contentCode(line));
        if (fromStartButton)
            m_settings.setChecked(key::SCCheckBox6, true);
        return;
    }
    m_armedStart.reset();
    if (m_settings.checked(key::SCCheckBox23)) {
        armTimer(qMax<qint64>(kMinimumPollMs, qint64(m_settings.spin(key::SpinEdit5)) * 1000));
        m_zupStarted = true;
        m_waiting = true;
        m_settings.setChecked(key::SCCheckBox6, true);
        m_settings.setText(key::SCEdit10, kWaitingText);
        m_settings.setText(key::SCEdit101, kWaitingCode);
        return;
    }
    m_waiting = false;
    m_timer1start->stop();
    showRunning(false);
    m_settings.setChecked(key::SCCheckBox6, false);
    m_zupStarted = false;
}

void DispatcherEngine::SCButton43Click(Caller caller)
{
    m_serializer.run(
        QStringLiteral("SCButton43Click"), [this] { startButton(false); }, std::move(caller),
        false);
}

void DispatcherEngine::panelStartClick(Caller caller)
{
    m_serializer.run(
        QStringLiteral("panelStartClick"), [this] { startButton(true); }, std::move(caller), false);
}

void DispatcherEngine::startButton(bool fromPanel)
{
    m_resumePending = false;
    if (m_settings.checked(key::SCCheckBox6)) {
        m_notifier.message(kAlreadyRunning);
        return;
    }
    try {
        if (m_settings.checked(key::SCCheckbox19))
            loadPlanFile();
        showRunning(true);
        ArmNextStart(true);
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
        m_notifier.message(fromPanel ? kBadSchedulePanel : kBadScheduleMain);
    }
}

void DispatcherEngine::SCButton44Click(Caller caller)
{
    m_serializer.run(
        QStringLiteral("SCButton44Click"), [this] { stopButton(); }, std::move(caller), false);
}

void DispatcherEngine::stopButton()
{
    m_settings.setText(key::SCEdit10, QString());
    // Off shows no next content code either.
    m_settings.setText(key::SCEdit101, QString());
    m_settings.setChecked(key::SCCheckBox6, false);
    showRunning(false);
    StopTimerT();
}

void DispatcherEngine::StopTimerT()
{
    m_timer1start->stop();
    m_handlers.disableStringAndClipStops();
    for (const char* field : {key::SCEditn8, key::SCEditn6, key::SCEditn5, key::SCEditn4,
                              key::SCEditn3, key::SCEditn2, key::SCEditn1, key::SCEditn9})
        m_settings.setText(field, QString());
    m_zupStarted = false;
    m_waiting = false;
    m_armedStart.reset();
    m_lastExecutedStart.reset();
    m_skippedLines.clear();
    m_lastFailure.reset();
    setMemon1({});
}

void DispatcherEngine::DispStartT()
{
    try {
        loadPlanFile();
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
        m_notifier.message(kNoFileAtStartup);
        return;
    }
    m_armedStart.reset();
    armTimer(kStartupDelayMs);
    emit showPanelRequested();
    showRunning(true);
    emit planStarted();
}

void DispatcherEngine::startAtStartup()
{
    m_resumePending = true;
    DispStartT();
    m_zupStarted = true;
}

void DispatcherEngine::dispstart()
{
    try {
        loadPlanFile();
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
        m_notifier.message(kNoFileAtTicker);
        return;
    }
    showRunning(true);
    // An armed line keeps its start moment: re-enabling must not push it back by a whole wait.
    if (m_armedStart)
        m_timer1start->setInterval(qMax<qint64>(0, m_clock.now().msecsTo(*m_armedStart)));
    m_timer1start->start();
    emit planStarted();
}

void DispatcherEngine::Timer1startTimer()
{
    if (!m_serializer.busy()) {
        m_serializer.start(
            m_timer1start->name(), [this](const Job& job) { starts(job, [job] { job.finish(); }); },
            tickCaller());
        return;
    }
    // Unchecked, the tick would do nothing and the timer runs on.
    if (!m_settings.checked(key::SCCheckBox6))
        return;
    // The tick disables the timer first; here that must happen before it waits, or a wait of
    // 0 ms would fire again and again meanwhile.
    m_timer1start->stop();
    m_serializer.start(
        m_timer1start->name(),
        [this](const Job& job) {
            if (!m_settings.checked(key::SCCheckBox6)) {
                // Unchecked while it waited: the timer runs on as it would have.
                m_timer1start->start();
                job.finish();
                return;
            }
            starts(job, [job] { job.finish(); });
        },
        tickCaller());
}

void DispatcherEngine::starts()
{
    m_serializer.start(
        QStringLiteral("starts"), [this](const Job& job) { starts(job, [job] { job.finish(); }); },
        tickCaller(), false);
}

void DispatcherEngine::starts(const Job& job, Next next)
{
    if (!m_settings.checked(key::SCCheckBox6)) {
        next();
        return;
    }
    m_timer1start->stop();
    if (m_zupStarted) {
        if (m_resumePending) {
            m_resumePending = false;
            ResumeAfterRestart(job, std::move(next));
            return;
        }
    }
    executeAndArm(job, std::move(next));
}

HandlerSerializer::Caller DispatcherEngine::tickCaller()
{
    HandlerSerializer::Caller caller;
    // A step of the tick that fails (the start handler, at once or after its tone) is reported
    // with its line and ends the tick's handler; the next line is armed all the same.
    caller.guard = [this](const std::function<void()>& step) {
        try {
            step();
            return true;
        } catch (...) {
            reportFailure(m_executingLine, currentExceptionText());
        }
        if (m_armPending) {
            m_armPending = false;
            m_zupStarted = false;
            try {
                reloadAndArm();
            } catch (...) {
                reportFailure(QString(), currentExceptionText());
            }
        }
        return false;
    };
    return caller;
}

void DispatcherEngine::executeAndArm(const Job& job, Next next)
{
    // Until the reload and the arming have run, a failure of the tick's handler still arms the
    // next line (tickCaller): one fault never ends the day.
    m_armPending = true;
    const Next rest = [this, next] {
        m_armPending = false;
        m_executingLine.clear();
        reloadAndArm();
        next();
    };
    if (!m_zupStarted) {
        rest();
        return;
    }
    m_lastExecutedStart = m_armedStart;
    m_armedStart.reset();
    // The start handler may go on after its tone: what follows it waits for its end.
    const Next afterEntry = [this, rest] {
        m_zupStarted = false;
        rest();
    };
    // Waiting for an update executes nothing: str_disp.txt keeps the line that last ran,
    // so that a restart can still resume it.
    if (m_waiting) {
        afterEntry();
        return;
    }
    const QString line = m_settings.text(key::SCEdit10);
    m_executingLine = line;
    // str_disp.txt only lets a restart resume the line: a folder that cannot be written is
    // reported, and the line still starts.
    try {
        SaveCurrentEntry();
    } catch (...) {
        reportFailure(line, currentExceptionText());
    }
    // The start carries its own lateness: what counts late starts reads it here, never from
    // the timers' texts.
    StartEvent start{line};
    if (m_lastExecutedStart)
        start.lateMs = qMax<qint64>(0, m_lastExecutedStart->msecsTo(m_clock.now()));
    m_log.post(std::move(start), line);
    emit entryExecuted(line, m_clock.now());
    m_handlers.startCurrentEntry(job, afterEntry);
}

void DispatcherEngine::reloadAndArm()
{
    const QString planFile = m_settings.text(key::SCEditn10);
    if (m_settings.checked(key::SCCheckBox23) && !planFile.isEmpty() && planFile.at(0) != u'Ф') {
        // The schedule is replaced whole. A file that cannot be read just now (being replaced by
        // a transfer, a share gone for a moment) keeps the schedule the dispatcher has.
        try {
            setMemon1(readTextLines(planFile));
        } catch (...) {
            reportFailure(QString(), currentExceptionText());
        }
    }
    ArmNextStart();
}

void DispatcherEngine::showRunning(bool running)
{
    // The panel's label says whether the dispatcher runs; its changes are the dispatcher's
    // own start and stop.
    if (running != m_running) {
        m_running = running;
        m_log.post(DispatcherEvent{running});
    }
    emit panelLabelVisible(running);
}

void DispatcherEngine::reportFailure(const QString& line, const QString& text)
{
    m_lastFailure = Failed{m_clock.now(), line, text};
    m_notifier.errorReport(text);
    emit failureReported(line, text);
}

void DispatcherEngine::skipUnreadableLine(const QString& line)
{
    // Said once for each such line of the plan, not at every search.
    if (m_skippedLines.contains(line))
        return;
    m_skippedLines.insert(line);
    m_log.write(QStringLiteral("error"),
                QStringLiteral("Строка плана пропущена: дата или время старта не существует — %1")
                    .arg(line));
}

void DispatcherEngine::SaveCurrentEntry()
{
    writeTextLines(m_folder + u'/' + kSavedEntryFile, {m_settings.text(key::SCEdit10)});
}

QString DispatcherEngine::runningSavedEntry() const
{
    try {
        const QStringList lines =
            readTextLines(m_folder + u'/' + kSavedEntryFile, kMaxSmallFileBytes);
        const QString saved = lines.value(0);
        if (saved.isEmpty())
            return {};
        const QDateTime now = m_clock.now();
        const QDateTime stop = scheduleline::stopExact(saved, now.date().year()).toDateTime();
        return now < stop ? saved : QString();
    } catch (...) {
        return {};
    }
}

void DispatcherEngine::ResumeAfterRestart(const Job& job, Next next)
{
    const QString saved = runningSavedEntry();
    const bool running = !saved.isEmpty();
    const bool reload = m_settings.checked(key::SCCheckbox19);
    if (running && reload) {
        m_settings.setText(key::SCEdit10, saved);
        m_zupStarted = true;
        m_waiting = false;
        executeAndArm(job, std::move(next));
        return;
    }
    if (running)
        m_notifier.message(kResumeNotAllowed);
    else if (reload)
        ArmNextStart();
    next();
}

std::optional<qint64> DispatcherEngine::nextStartMs() const
{
    if (!m_timer1start->isActive())
        return std::nullopt;
    return m_timer1start->remainingMs();
}

QJsonObject DispatcherEngine::status() const
{
    QJsonObject object;
    object.insert(QStringLiteral("on"), m_settings.checked(key::SCCheckBox6));
    object.insert(QStringLiteral("armed"), m_zupStarted);
    object.insert(QStringLiteral("current"), m_settings.text(key::SCEdit10));
    object.insert(QStringLiteral("next_code"), m_settings.text(key::SCEdit101));
    object.insert(QStringLiteral("plan_lines"), QJsonArray::fromStringList(m_memon1));
    const std::optional<qint64> next = nextStartMs();
    object.insert(QStringLiteral("next_start_ms"),
                  next ? QJsonValue(double(*next)) : QJsonValue(QJsonValue::Null));
    if (m_lastFailure)
        object.insert(QStringLiteral("last_failure"),
                      QJsonObject{{QStringLiteral("at"),
                                   m_lastFailure->at.toString(u"yyyy-MM-dd hh:mm:ss.zzz")},
                                  {QStringLiteral("line"), m_lastFailure->line},
                                  {QStringLiteral("text"), m_lastFailure->text}});
    else
        object.insert(QStringLiteral("last_failure"), QJsonValue(QJsonValue::Null));
    return object;
}

}  // namespace velumo
