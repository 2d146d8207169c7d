#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <memory>

#include "players/contentplayer.h"
#include "players/slides/presentationconverter.h"

namespace velumo {

class EventLog;
class Notifier;
class Settings;
class SlideSurface;
class Timer;
class TimerFactory;

// The slide show (content letter p): StartPPT's show of a presentation on its own slide
// timings in the rectangle of the request, or full screen on the request's screen (the second
// one when direct output, SCCheckbox27, is on). The presentation is converted once
// (PresentationConverter) and shown from the cache afterwards.
//
// Timer_ppt is armed for T × 1000 ms when the first slide is on the screen (T = 0 never fires)
// and reports the end of the show (ended), which the registry turns into the dispatcher's
// StopPPT. Each slide advances after its own duration; a slide without one stays until the
// stop. park() moves the show above the screen (top −Height−200) and it goes on; with direct
// output it leaves the show where it is. A start while a show runs or is parked replaces it.
//
// Besides the registry's events it writes its own "player" events: the conversion, the first
// slide on the screen after N ms, each slide change, the park.
class SlideShowPlayer final : public ContentPlayer {
    Q_OBJECT
public:
    // A file named without a path lives in programFolder.
    SlideShowPlayer(const Settings& settings, Notifier& notifier, EventLog& log,
                    TimerFactory& timers, PresentationConverter& converter, SlideSurface& surface,
                    QString programFolder = QString(), QObject* parent = nullptr);
    ~SlideShowPlayer() override;

    void start(const PlayerRequest& request) override;
    void stop() override;
    void park() override;

    // The request of the test run SCButton18: StartPPT with the text of SCEdit1 at the
    // rectangle and screen of a slide show (playerplacement).
    static PlayerRequest testRunRequest(const Settings& settings, Notifier& notifier);

    // The message of a monitor choice that cannot be made.
    static const QString kMonitorMessage;
    // ChangeMonitorPPT: the second screen is the one of direct output; false (after the
    // message) when there is none.
    bool ChangeMonitorPPT();

    QString label133() const { return m_label133; }
    bool isOpen() const { return m_open; }
    bool isParked() const { return m_parked; }
    bool isConverting() const { return m_converting; }
    // From 1; 0 when no show is open.
    int currentSlide() const { return m_open ? m_current + 1 : 0; }
    int slides() const { return int(m_durations.size()); }
    int seconds() const { return m_seconds; }
    const Timer& timerPpt() const { return *m_timerPpt; }

    // status.players.slides.
    QJsonObject status() const;

signals:
    void label133Changed(const QString& text);
    // A conversion began or ended; the PowerPoint page shows it.
    void convertingChanged(bool converting, const QString& file);

private:
    void onConverted(const QString& file, const Presentation& presentation);
    void onConversionFailed(const QString& file, const QString& reason);
    void show(const Presentation& presentation, bool fromCache);
    // The surface has opened the pages (or says why it could not), then shown the first one.
    void opened(int pageCount, const QString& failure, bool fromCache);
    void firstPageShown(bool fromCache);
    void fail(const QString& reason);
    void advance();
    void armAdvance();
    // onScreen() (and its log line) once the surface has painted the show's first slide.
    void awaitFirstPicture();
    void closeShow();
    void setConverting(bool converting);
    void write(const QString& text);

    const Settings& m_settings;
    Notifier& m_notifier;
    EventLog& m_log;
    PresentationConverter& m_converter;
    SlideSurface& m_surface;
    QString m_folder;

    // One-shot: each handler stops its timer first.
    std::unique_ptr<Timer> m_timerPpt;
    std::unique_ptr<Timer> m_advance;
    QElapsedTimer m_sinceStart;
    QString m_file;
    QRect m_rect;
    QList<std::optional<double>> m_durations;
    QString m_label133;
    int m_seconds = 0;
    int m_current = 0;
    bool m_open = false;
    // The surface is reading the pages; the number tells this show's answers from a stale one.
    bool m_opening = false;
    int m_openNumber = 0;
    bool m_parked = false;
    bool m_converting = false;
    // Counts the shows, so that a late report of a painted slide knows its show.
    quint64 m_shows = 0;
    bool m_fromCache = false;
    bool m_awaitingPicture = false;
    // The request's screen (direct output), -1 for the rectangle.
    int m_screen = -1;
};

}  // namespace velumo
