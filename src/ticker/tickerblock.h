#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <functional>

namespace velumo {

class Settings;

// The three lists of a block, named after the controls that showed them.
enum class BlockList { Text, Tariff, Index };

// The block of announcements: three parallel lists, same position = same announcement.
// text (Memo1): icon code character, then the text; tariff (Memotarif); index (Memoindex).
class TickerBlock : public QObject {
    Q_OBJECT
public:
    explicit TickerBlock(Settings& settings, QObject* parent = nullptr);

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

    // Drops every announcement whose text begins with "_" (second character of its line).
    void RemoveRssLines();

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
    QStringList m_text;
    QStringList m_tariff;
    QStringList m_index;
};

}  // namespace velumo
