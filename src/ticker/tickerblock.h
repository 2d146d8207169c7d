#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <functional>

namespace velumo {

class Settings;

// The block of announcements: three parallel lists, same position = same announcement.
// text (Memo1): icon code character, then the text; tariff (Memotarif); index (Memoindex).
class TickerBlock : public QObject {
    Q_OBJECT
public:
    explicit TickerBlock(Settings& settings, QObject* parent = nullptr);

    const QStringList& text() const { return m_text; }
    const QStringList& tariff() const { return m_tariff; }
    const QStringList& index() const { return m_index; }
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
    void changed();
    // Loading hides the lists and shows them again when it has finished.
    void loading(bool busy);

private:
    Settings& m_settings;
    QStringList m_text;
    QStringList m_tariff;
    QStringList m_index;
};

}  // namespace velumo
