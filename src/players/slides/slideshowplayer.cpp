#include "slideshowplayer.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <cmath>

#include "base/eventlog.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/timer.h"
#include "players/contentkind.h"
#include "players/playerplacement.h"
#include "players/slides/slideshowtiming.h"
#include "players/slides/slidesurface.h"

namespace velumo {

namespace {

// Arms a one-shot timer for ms from now, whether it runs or not.
void startOnce(Timer& timer, qint64 ms)
{
    timer.setInterval(ms);
    timer.start();
}

}  // namespace

const QString SlideShowPlayer::kMonitorMessage =
    QStringLiteral("Не корректно установлена версия MsOffice в настройках Velumo7");

SlideShowPlayer::SlideShowPlayer(const Settings& settings, Notifier& notifier, EventLog& log,
                                 TimerFactory& timers, PresentationConverter& converter,
                                 SlideSurface& surface, QString programFolder, QObject* parent)
    : ContentPlayer(parent),
      m_settings(settings),
      m_notifier(notifier),
      m_log(log),
      m_converter(converter),
      m_surface(surface),
      m_folder(std::move(programFolder)),
      m_timerPpt(timers.create(QStringLiteral("Timer_ppt"), true)),
      m_advance(timers.create(QStringLiteral("SlideAdvance"), true)),
      m_label133(QStringLiteral("Общее время  Число слайдов"))
{
    m_timerPpt->setHandler([this] {
        guarded(m_notifier, [this] {
            m_timerPpt->stop();
            write(QStringLiteral("p Timer_ppt: the show's %1 s are over").arg(m_seconds));
            emit ended();
        });
    });
    m_advance->setHandler([this] {
        m_advance->stop();
        guarded(m_notifier, [this] { advance(); });
    });
    connectGuarded(&m_converter, &PresentationConverter::converted, this,
                   Origin::unattended(QStringLiteral("slideshowplayer")),
                   [this](const QString& file, const Presentation& presentation) {
                       guarded(m_notifier, [&] { onConverted(file, presentation); });
                   });
    connectGuarded(&m_converter, &PresentationConverter::conversionFailed, this,
                   Origin::unattended(QStringLiteral("slideshowplayer")),
                   [this](const QString& file, const QString& reason) {
                       guarded(m_notifier, [&] { onConversionFailed(file, reason); });
                   });
}

SlideShowPlayer::~SlideShowPlayer() = default;

PlayerRequest SlideShowPlayer::testRunRequest(const Settings& settings, Notifier& notifier)
{
    PlayerRequest request;
    request.letter = kinds::kSlideShow;
    request.slot = settings.text(key::SCEdit1);
    request.target = slideshowtiming::slideShowFile(settings, notifier, request.slot);
    const ContentKind& kind = ContentKind::of(kinds::kSlideShow);
    request.rect = playerplacement::rect(settings, kind);
    request.screen = playerplacement::screen(settings, kind);
    return request;
}

void SlideShowPlayer::write(const QString& text)
{
    m_log.write(QStringLiteral("player"), text);
}

void SlideShowPlayer::setConverting(bool converting)
{
    if (m_converting == converting)
        return;
    m_converting = converting;
    emit convertingChanged(converting, m_file);
}

void SlideShowPlayer::start(const PlayerRequest& request)
{
    closeShow();
    setConverting(false);
    m_sinceStart.start();
    m_file = request.target.isEmpty() ? request.slot : request.target;
    if (!m_folder.isEmpty() && !m_file.isEmpty() && QFileInfo(m_file).isRelative())
        m_file = QDir(m_folder).absoluteFilePath(m_file);
    m_rect = request.rect;
    m_screen = request.screen;
    if (std::optional<Presentation> presentation = m_converter.cached(m_file)) {
        show(*presentation, true);
        return;
    }
    write(QStringLiteral("p converting ") + m_file);
    setConverting(true);
    m_converter.convert(m_file);
}

void SlideShowPlayer::onConverted(const QString& file, const Presentation& presentation)
{
    if (!m_converting || file != m_file)
        return;
    setConverting(false);
    write(QStringLiteral("p converted %1 in %2 ms").arg(file).arg(m_sinceStart.elapsed()));
    show(presentation, false);
}

void SlideShowPlayer::onConversionFailed(const QString& file, const QString& reason)
{
    if (!m_converting || file != m_file)
        return;
    setConverting(false);
    fail(reason);
}

void SlideShowPlayer::fail(const QString& reason)
{
    closeShow();
    m_notifier.message(reason);
    emit failed(reason);
}

void SlideShowPlayer::show(const Presentation& presentation, bool fromCache)
{
    m_durations = presentation.durations;
    m_seconds = slideshowtiming::showSeconds(m_durations);
    m_label133 = slideshowtiming::label133Text(m_seconds, slides());
    emit label133Changed(m_label133);
    if (m_durations.isEmpty()) {
        fail(QStringLiteral("В презентации нет слайдов: ") + m_file);
        return;
    }
    m_opening = true;
    const int number = ++m_openNumber;
    m_surface.open(presentation.pages, [player = QPointer<SlideShowPlayer>(this), number,
                                        fromCache](int pageCount, const QString& failure) {
        if (player && player->m_opening && number == player->m_openNumber)
            player->opened(pageCount, failure, fromCache);
    });
}

void SlideShowPlayer::opened(int pageCount, const QString& failure, bool fromCache)
{
    m_opening = false;
    if (!failure.isEmpty()) {
        fail(QStringLiteral("Не удалось открыть страницы презентации %1: %2").arg(m_file, failure));
        return;
    }
    // The pages are the visible slides; a page file that is short shows what it has.
    if (pageCount < slides())
        m_durations.resize(pageCount);
    if (m_durations.isEmpty()) {
        m_surface.close();
        fail(QStringLiteral("В презентации нет слайдов: ") + m_file);
        return;
    }
    if (m_screen >= 0) {
        // Without a second screen the show goes on, full screen on the first.
        if (!ChangeMonitorPPT() || !m_surface.placeFullScreen(m_screen))
            m_surface.placeFullScreen(0);
    } else {
        m_surface.place(m_rect);
    }
    m_current = 0;
    m_open = true;
    m_parked = false;
    const int number = m_openNumber;
    m_surface.showPage(0, [player = QPointer<SlideShowPlayer>(this), number, fromCache] {
        if (player && player->m_open && number == player->m_openNumber)
            player->firstPageShown(fromCache);
    });
}

void SlideShowPlayer::firstPageShown(bool fromCache)
{
    write(QStringLiteral("p first slide on screen after %1 ms%2: %3 slides, %4 s")
              .arg(m_sinceStart.elapsed())
              .arg(fromCache ? QStringLiteral(" from the cache") : QString())
              .arg(slides())
              .arg(m_seconds));
    emit onScreen();
    if (!m_open)
        return;
    // T = 0: an interval of 0 that never fires; only the scheduled stop ends the show.
    if (m_seconds > 0)
        startOnce(*m_timerPpt, qint64(m_seconds) * 1000);
    armAdvance();
}

void SlideShowPlayer::armAdvance()
{
    m_advance->stop();
    if (m_current + 1 >= slides())
        return;
    const std::optional<double> seconds = m_durations[m_current];
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0)
        return;
    startOnce(*m_advance, qint64(std::min(*seconds * 1000.0, 2.0e9)));
}

void SlideShowPlayer::advance()
{
    if (!m_open || m_current + 1 >= slides())
        return;
    ++m_current;
    m_surface.showPage(m_current);
    write(QStringLiteral("p slide %1").arg(m_current + 1));
    armAdvance();
}

bool SlideShowPlayer::ChangeMonitorPPT()
{
    if (m_surface.screenCount() >= 2)
        return true;
    m_notifier.message(kMonitorMessage);
    return false;
}

void SlideShowPlayer::closeShow()
{
    m_timerPpt->stop();
    m_advance->stop();
    if (m_open || m_opening)
        m_surface.close();
    m_open = false;
    m_opening = false;
    m_parked = false;
    m_durations.clear();
    m_current = 0;
}

void SlideShowPlayer::stop()
{
    setConverting(false);
    closeShow();
}

void SlideShowPlayer::park()
{
    // A conversion still going on shows nothing after the stop.
    setConverting(false);
    if (!m_open)
        return;
    // Direct output as it is set at the stop: the show on its screen is left where it is.
    if (m_settings.checked(key::SCCheckbox27)) {
        write(QStringLiteral("p left on screen: direct output"));
        return;
    }
    const QRect now = m_surface.geometry();
    m_surface.place(QRect(now.left(), -now.height() - 200, now.width(), now.height()));
    m_parked = true;
    write(QStringLiteral("p parked at top %1").arg(-now.height() - 200));
}

QJsonObject SlideShowPlayer::status() const
{
    return QJsonObject{{QStringLiteral("open"), m_open},
                       {QStringLiteral("file"), m_file},
                       {QStringLiteral("slides"), m_open ? slides() : 0},
                       {QStringLiteral("seconds"), m_open ? m_seconds : 0},
                       {QStringLiteral("current_slide"), currentSlide()},
                       {QStringLiteral("parked"), m_parked},
                       {QStringLiteral("converting"), m_converting}};
}

}  // namespace velumo
