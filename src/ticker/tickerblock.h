#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "ticker/feedsink.h"

namespace velumo {

class Settings;
class Worker;

// The three lists of a block file once read and decoded.
struct BlockLists {
    QStringList text;
    QStringList tariff;
    QStringList index;
};

// The three lists of a block, named after the controls that showed them.
enum class BlockList { Text, Tariff, Index };

// The block of announcements: three parallel lists, same position = same announcement.
// text (Memo1): icon code character, then the text; tariff (Memotarif); index (Memoindex).
class TickerBlock : public QObject, public FeedSink {
    Q_OBJECT
public:
    explicit TickerBlock(Settings& settings, QObject* parent = nullptr);
    ~TickerBlock() override;

    const QStringList& text() const { return m_text; }
    const QStringList& tariff() const { return m_tariff; }
    const QStringList& index() const { return m_index; }
    const QStringList& lines(BlockList list) const;
    // The number of announcements: the length of the longest list.
    qsizetype rows() const { return qMax(m_text.size(), qMax(m_tariff.size(), m_index.size())); }
    bool sameLengths() const
    {
        return m_text.size() == m_tariff.size() && m_text.size() == m_index.size();
    }

    void setText(const QStringList& lines);
    void setTariff(const QStringList& lines);
    void setIndex(const QStringList& lines);
    // A tariff line rewritten in place (normalised by the tariff rules).
    void setTariffLine(qsizetype i, const QString& line);
    void setLists(const QStringList& text, const QStringList& tariff, const QStringList& index);
    // Line i of one list; a list shorter than that is first filled up with empty lines. The
    // other two lists are left as they are. These edits of the operator keep the counters.
    void setLine(BlockList list, qsizetype i, const QString& line);
    // Empty announcements inserted before position at, and announcements removed from it on:
    // each list takes part as far as it reaches that position, so lists of unequal length keep
    // their lines where they were.
    void insertAnnouncements(qsizetype at, qsizetype count);
    void removeAnnouncements(qsizetype at, qsizetype count);

    using Progress = std::function<void(qsizetype position, qsizetype maximum)>;

    // Replaces the block by a file's content: ".str" (block layout) or ".txt" (dated layout),
    // the extension compared case-sensitively; any other extension loads nothing. The counters
    // are updated in every case. A file that cannot be read throws Failure and leaves the
    // lists cleared.
    void LoadTickerFile(const QString& fileName, const QDateTime& now,
                        const Progress& progress = {});

    // LoadTickerFile with the reading and decoding on a worker thread (a block of 100 000
    // announcements takes longer than a frame): the lists are replaced when the file has been
    // read, as LoadTickerFile replaces them, and then done(error) runs on this thread (error
    // empty when the file was read). Loads end in the order they were asked for. Progress comes
    // on this thread while the file is decoded.
    using Loaded = std::function<void(const QString& error)>;
    void loadTickerFileLater(const QString& fileName, const QDateTime& now, Loaded done,
                             Progress progress = {});
    // Loads asked for and not yet applied.
    int loadsPending() const { return m_loadsPending; }
    // What LoadTickerFile does once the file is read: the lists replaced (nothing read: an
    // extension of no block layout), or cleared when reading failed (error set); the counters
    // updated in every case.
    void applyLoaded(const std::optional<BlockLists>& lists, const QString& error = {});
    // Reads and decodes a block file on any thread; nothing for an extension of no block
    // layout. Throws Failure when the file cannot be read.
    static std::optional<BlockLists> readBlockFile(const QString& fileName, const QDateTime& now,
                                                   const Progress& progress = {});

    // The block in the ".str" layout: "^"index, "~"tariff, text for each announcement when the
    // text and index lists have equal length, the text lines alone otherwise.
    QStringList strLines() const;
    // Writes strLines() to the file (replacing it atomically). Throws Failure.
    void save(const QString& fileName) const;

    // The open and save actions: the file becomes the start-up block (SCEdit5). The open names
    // the file while it is read; a file that cannot be read leaves the previous name, so the
    // next start still finds a block. Only a block that was really written becomes the
    // start-up block. Both throw Failure.
    void openStartupBlock(const QString& fileName, const QDateTime& now,
                          const Progress& progress = {});
    void saveStartupBlock(const QString& fileName);
    // The open as a later load (loadTickerFileLater): the file is named at once, and the
    // previous name comes back when it cannot be read and nothing else was named meanwhile.
    void openStartupBlockLater(const QString& fileName, const QDateTime& now, Loaded done,
                               Progress progress = {});

    // Drops every announcement whose text begins with "_" (second character of its line).
    void RemoveRssLines();

    // What a feed's read does to the block (FeedSink).
    qsizetype feedLineCount() const override;
    bool holdsLine(const QString& line) const override;
    void replaceFeedLines(const QStringList& lines) override;

    // The block as the status reply shows it: the file, the three lists (at most kStatusLines
    // lines each, a line at most kStatusLineChars characters), their counts, and "cut" true when
    // anything was left out; so the reply stays small whatever block is loaded.
    static constexpr qsizetype kStatusLines = 1000;
    static constexpr qsizetype kStatusLineChars = 4096;
    QJsonObject statusJson(const QString& file) const;

    // SCEdit12 = text lines, SCEdit14 = index lines, SCEdit15 = tariff lines.
    void updateCounters();

    // Parsers of the two layouts, exposed for tests and benchmarks.
    static void parseStr(const QStringList& lines, QStringList& text, QStringList& tariff,
                         QStringList& index, const Progress& progress = {});
    static void parseTxt(const QStringList& lines, const QDateTime& now, QStringList& text,
                         QStringList& tariff, QStringList& index, const Progress& progress = {});

signals:
    // The lists were replaced or announcements were inserted or removed.
    void changed();
    // Lines first to last of one list were rewritten in place (or filled in).
    void linesChanged(velumo::BlockList list, qsizetype first, qsizetype last);
    // Loading hides the lists and shows them again when it has finished.
    void loading(bool busy);

private:
    QStringList& listOf(BlockList list);

    Settings& m_settings;
    std::unique_ptr<Worker> m_reader;
    int m_loadsPending = 0;
    QStringList m_text;
    QStringList m_tariff;
    QStringList m_index;
};

}  // namespace velumo
