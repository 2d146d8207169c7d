#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>

namespace velumo {

class Worker;

// A presentation ready to show: its visible slides as the pages of a PDF file, in order, and
// the duration of each (none: the slide stays until the stop).
struct Presentation {
    QString source;
    QString pages;
    QList<std::optional<double>> durations;

    int slides() const { return int(durations.size()); }
};

// Turns .ppt, .pptx, .pps, .ppsx, .odp and .fodp files into Presentations with LibreOffice
// headless, off the user-interface thread, and keeps the results in a cache folder keyed by the
// file's path, size and modification time. Each run of LibreOffice gets its own profile folder
// (two runs on one profile collide) and a time limit.
//
// LibreOffice makes the pages; the slide timings come from the file itself where its kind
// allows (.pptx, .ppsx, .odp, .fodp), otherwise (.ppt, .pps, or a file this reader cannot read)
// from a second run of LibreOffice that writes the presentation as flat ODF.
//
// convert() answers on the user-interface thread with converted() or conversionFailed(), with a
// text for the operator that names what is missing or what failed.
class PresentationConverter final : public QObject {
    Q_OBJECT
public:
    // How LibreOffice is scheduled. Idle: only on CPU time nothing else wants (SCHED_IDLE).
    // Normal is the default: now that a .pptx takes one run, the strip's repaints keep up as
    // well at normal priority on two cores when the machine is quiet; on a busy one idle kept
    // the strip's gaps smaller but let the other programs starve the conversion (first slide
    // after 6 to 35 s instead of 2 to 5). bench_slideshow --idle measures it.
    enum class Priority { Normal, Idle };

    // program: LibreOffice's command ("soffice" found on PATH, or a path). The work folders
    // (run-*) that a crash left in the cache folder are removed, off this thread.
    PresentationConverter(QString cacheFolder, QString program = QStringLiteral("soffice"),
                          int timeLimitMs = 60'000, Priority priority = Priority::Normal,
                          QObject* parent = nullptr);
    // Ends the runs still going (their LibreOffice is killed), waiting a bounded time for them.
    ~PresentationConverter() override;

    // The cached presentation of the file as it is now on disk, if there is one. Cheap: reads
    // the file's metadata and a small index.
    std::optional<Presentation> cached(const QString& file) const;

    // Converts the file unless the same file is being converted already. A cached file answers
    // at once (still through the event loop).
    void convert(const QString& file);

    // Runs going on now.
    int running() const { return int(m_converting.size()); }
    bool converting(const QString& file) const;

    static bool isPresentation(const QString& file);

signals:
    void converted(const QString& file, const Presentation& presentation);
    void conversionFailed(const QString& file, const QString& reason);

private:
    static constexpr int kMaxRuns = 4;

    QString m_cacheFolder;
    QString m_program;
    int m_timeLimitMs;
    Priority m_priority;
    QStringList m_converting;  // the files of the runs going on
    std::unique_ptr<Worker> m_worker;
    std::unique_ptr<Worker> m_sweep;  // removes what crashed runs left
};

}  // namespace velumo
