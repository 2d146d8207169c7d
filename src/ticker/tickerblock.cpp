#include "tickerblock.h"

#include <utility>

#include <QJsonArray>

#include "base/datetext.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "base/worker.h"

namespace velumo {

TickerBlock::TickerBlock(Settings& settings, QObject* parent)
    : QObject(parent), m_settings(settings)
{
}

TickerBlock::~TickerBlock() = default;  // a read still going on is dropped

void TickerBlock::setText(const QStringList& lines)
{
    m_text = lines;
    emit changed();
}

void TickerBlock::setTariff(const QStringList& lines)
{
    m_tariff = lines;
    emit changed();
}

void TickerBlock::setIndex(const QStringList& lines)
{
    m_index = lines;
    emit changed();
}

const QStringList& TickerBlock::lines(BlockList list) const
{
    switch (list) {
        case BlockList::Tariff:
            return m_tariff;
        case BlockList::Index:
            return m_index;
        case BlockList::Text:
            break;
    }
    return m_text;
}

QStringList& TickerBlock::listOf(BlockList list)
{
    return const_cast<QStringList&>(std::as_const(*this).lines(list));
}

void TickerBlock::setTariffLine(qsizetype i, const QString& line)
{
    if (i < 0 || i >= m_tariff.size() || m_tariff[i] == line)
        return;
    m_tariff[i] = line;
    emit linesChanged(BlockList::Tariff, i, i);
}

void TickerBlock::setLine(BlockList list, qsizetype i, const QString& line)
{
    QStringList& lines = listOf(list);
    if (i < 0 || (i < lines.size() && lines[i] == line))
        return;
    const bool grows = i >= lines.size();
    const qsizetype first = qMin(i, lines.size());
    while (lines.size() <= i)
        lines.append(QString());
    lines[i] = line;
    emit linesChanged(list, first, i);
    if (grows)
        updateCounters();
}

void TickerBlock::insertAnnouncements(qsizetype at, qsizetype count)
{
    if (at < 0 || count <= 0)
        return;
    for (QStringList* lines : {&m_text, &m_tariff, &m_index})
        if (lines->size() >= at)
            lines->insert(at, count, QString());
    emit changed();
    updateCounters();
}

void TickerBlock::removeAnnouncements(qsizetype at, qsizetype count)
{
    if (at < 0 || count <= 0)
        return;
    for (QStringList* lines : {&m_text, &m_tariff, &m_index})
        if (lines->size() > at)
            lines->remove(at, qMin(count, lines->size() - at));
    emit changed();
    updateCounters();
}

void TickerBlock::setLists(const QStringList& text, const QStringList& tariff,
                           const QStringList& index)
{
    m_text = text;
    m_tariff = tariff;
    m_index = index;
    emit changed();
}

void TickerBlock::parseStr(const QStringList& lines, QStringList& text, QStringList& tariff,
                           QStringList& index, const Progress& progress)
{
    const qsizetype count = lines.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QString& line = lines[i];
        if (line.startsWith(u'^'))
            index.append(line.mid(1));
        else if (line.startsWith(u'~'))
            tariff.append(line.mid(1));
        else
            text.append(line);
        if (progress && (i & 1023) == 0)
            progress(i + 1, count);
    }
    if (progress)
        progress(count, count);
}

void TickerBlock::parseTxt(const QStringList& lines, const QDateTime& now, QStringList& text,
                           QStringList& tariff, QStringList& index, const Progress& progress)
{
    const qsizetype count = lines.size();
    auto lineAt = [&](qsizetype i) { return i >= 0 && i < count ? lines[i] : QString(); };
    const QDate today = now.date();
    for (qsizetype i = 0; i < count; ++i) {
        if (progress && (i & 1023) == 0)
            progress(i + 1, count);
        const QString& line = lines[i];
        if (!line.startsWith(u'!'))
            continue;
        // The date means 00:00 of that day: an announcement runs up to the end of the day
        // before it. A text that is no date counts as now, so the announcement is taken.
        const QDate date = parseDayMonthYear(QStringView(line).mid(1, 8), today.year());
        // Compared as wall-clock date and time: converting every date into a local date-time
        // costs more than the whole rest of the reading.
        const bool expired =
            date.isValid() && (date < today || (date == today && now.time() > QTime(0, 0)));
        if (expired)
            continue;
        const QString indexLine = lineAt(i - 2);
        if (indexLine.startsWith(u'^'))
            index.append(indexLine.mid(1));
        const QString tariffLine = lineAt(i - 1);
        if (tariffLine.startsWith(u'~'))
            tariff.append(tariffLine.mid(1));
        text.append(lineAt(i + 1));
    }
    if (progress)
        progress(count, count);
}

void TickerBlock::LoadTickerFile(const QString& fileName, const QDateTime& now,
                                 const Progress& progress)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : fileName.mid(dot);
    const bool dated = extension == QLatin1String(".txt");
    if (dated || extension == QLatin1String(".str")) {
        emit loading(true);
        m_text.clear();
        m_tariff.clear();
        m_index.clear();
        QStringList lines;
        try {
            lines = readTextLines(fileName);
        } catch (...) {
            emit changed();
            updateCounters();
            throw;
        }
        if (dated)
            parseTxt(lines, now, m_text, m_tariff, m_index, progress);
        else
            parseStr(lines, m_text, m_tariff, m_index, progress);
        emit changed();
        emit loading(false);
    }
    updateCounters();
}

std::optional<BlockLists> TickerBlock::readBlockFile(const QString& fileName, const QDateTime& now,
                                                     const Progress& progress)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : fileName.mid(dot);
    const bool dated = extension == QLatin1String(".txt");
    if (!dated && extension != QLatin1String(".str"))
        return std::nullopt;
    const QStringList lines = readTextLines(fileName);
    BlockLists lists;
    if (dated)
        parseTxt(lines, now, lists.text, lists.tariff, lists.index, progress);
    else
        parseStr(lines, lists.text, lists.tariff, lists.index, progress);
    return lists;
}

void TickerBlock::applyLoaded(const std::optional<BlockLists>& lists, const QString& error)
{
    if (!error.isEmpty()) {
        emit loading(true);
        m_text.clear();
        m_tariff.clear();
        m_index.clear();
        emit changed();
    } else if (lists) {
        emit loading(true);
        m_text = lists->text;
        m_tariff = lists->tariff;
        m_index = lists->index;
        emit changed();
        emit loading(false);
    }
    updateCounters();
}

void TickerBlock::loadTickerFileLater(const QString& fileName, const QDateTime& now, Loaded done,
                                      Progress progress)
{
    if (!m_reader)
        m_reader = std::make_unique<Worker>(QStringLiteral("block"));
    ++m_loadsPending;
    using Position = std::pair<qsizetype, qsizetype>;
    m_reader->run<Position>(
        this,
        [fileName, now, reportProgress = bool(progress)](const JobContext<Position>& job) {
            Progress toCaller;
            if (reportProgress)
                toCaller = [&job](qsizetype position, qsizetype maximum) {
                    job.report({position, maximum});
                };
            return readBlockFile(fileName, now, toCaller);
        },
        [progress](const Position& at) {
            if (progress)
                progress(at.first, at.second);
        },
        [this, done = std::move(done)](const JobResult<std::optional<BlockLists>>& result) {
            --m_loadsPending;
            applyLoaded(result.ok() ? *result.value : std::nullopt, result.error);
            if (done)
                done(result.error);
        });
}

QJsonObject TickerBlock::statusJson(const QString& file) const
{
    bool cut = false;
    auto bounded = [&cut](const QStringList& lines) {
        QJsonArray array;
        const qsizetype shown = qMin(lines.size(), kStatusLines);
        cut = cut || shown < lines.size();
        for (qsizetype i = 0; i < shown; ++i) {
            const QString& line = lines[i];
            cut = cut || line.size() > kStatusLineChars;
            array.append(line.size() > kStatusLineChars ? line.left(kStatusLineChars) : line);
        }
        return array;
    };
    QJsonObject block;
    block.insert(QStringLiteral("file"), file);
    block.insert(QStringLiteral("text"), bounded(m_text));
    block.insert(QStringLiteral("index"), bounded(m_index));
    block.insert(QStringLiteral("tariff"), bounded(m_tariff));
    block.insert(QStringLiteral("text_count"), m_text.size());
    block.insert(QStringLiteral("index_count"), m_index.size());
    block.insert(QStringLiteral("tariff_count"), m_tariff.size());
    block.insert(QStringLiteral("cut"), cut);
    return block;
}

QStringList TickerBlock::strLines() const
{
    QStringList out;
    const bool withIndex = m_text.size() == m_index.size();
    out.reserve(withIndex ? m_text.size() * 3 : m_text.size());
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        if (withIndex) {
            out.append(u'^' + m_index[i]);
            out.append(u'~' + (i < m_tariff.size() ? m_tariff[i] : QString()));
        }
        out.append(m_text[i]);
    }
    return out;
}

void TickerBlock::save(const QString& fileName) const
{
    writeTextLines(fileName, strLines());
}

void TickerBlock::openStartupBlock(const QString& fileName, const QDateTime& now,
                                   const Progress& progress)
{
    const QString previous = m_settings.text(key::SCEdit5);
    m_settings.setText(key::SCEdit5, fileName);
    try {
        LoadTickerFile(fileName, now, progress);
    } catch (...) {
        m_settings.setText(key::SCEdit5, previous);
        throw;
    }
}

void TickerBlock::openStartupBlockLater(const QString& fileName, const QDateTime& now, Loaded done,
                                        Progress progress)
{
    const QString previous = m_settings.text(key::SCEdit5);
    m_settings.setText(key::SCEdit5, fileName);
    loadTickerFileLater(
        fileName, now,
        [this, fileName, previous, done = std::move(done)](const QString& error) {
            if (!error.isEmpty() && m_settings.text(key::SCEdit5) == fileName)
                m_settings.setText(key::SCEdit5, previous);
            if (done)
                done(error);
        },
        std::move(progress));
}

void TickerBlock::saveStartupBlock(const QString& fileName)
{
    save(fileName);
    m_settings.setText(key::SCEdit5, fileName);
}

void TickerBlock::RemoveRssLines()
{
    QStringList text;
    QStringList tariff;
    QStringList index;
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        const QString& line = m_text[i];
        if (line.size() >= 2 && line[1] == u'_')
            continue;
        text.append(line);
        // Companion lines that the shorter lists lack stay missing.
        if (i < m_index.size())
            index.append(m_index[i]);
        if (i < m_tariff.size())
            tariff.append(m_tariff[i]);
    }
    setLists(text, tariff, index);
    updateCounters();
}

qsizetype TickerBlock::feedLineCount() const
{
    qsizetype count = 0;
    for (const QString& line : m_text)
        if (line.size() >= 2 && line[1] == u'_')
            ++count;
    return count;
}

bool TickerBlock::holdsLine(const QString& line) const
{
    return m_text.contains(line);
}

void TickerBlock::replaceFeedLines(const QStringList& lines)
{
    RemoveRssLines();
    QStringList text = m_text;
    QStringList tariff = m_tariff;
    QStringList index = m_index;
    const QString zero = QStringLiteral("0");
    for (const QString& line : lines) {
        text.append(line);
        tariff.append(zero);
        index.append(zero);
    }
    setLists(text, tariff, index);
    updateCounters();
}

void TickerBlock::updateCounters()
{
    m_settings.setText(key::SCEdit12, QString::number(m_text.size()));
    m_settings.setText(key::SCEdit14, QString::number(m_index.size()));
    m_settings.setText(key::SCEdit15, QString::number(m_tariff.size()));
}

}  // namespace velumo
