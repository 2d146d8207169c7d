#include "report.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStringEncoder>

#include <algorithm>

namespace velumo::asrun {

namespace {

QDateTime moment(const QJsonObject& record, const QString& member)
{
    return QDateTime::fromString(record.value(member).toString(), Qt::ISODateWithMs);
}

QString secondsText(double seconds, QChar decimalPoint)
{
    QString text = QString::number(seconds, 'f', 1);
    text.replace(u'.', decimalPoint);
    return text;
}

// The field as text whether the record holds a string or a number.
QString fieldText(const QJsonValue& value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        return number == double(value.toInteger()) ? QString::number(value.toInteger())
                                                   : QString::number(number);
    }
    return value.toString();
}

// Indexes that are numbers by their value, before any other text.
bool indexBefore(const QString& a, const QString& b)
{
    bool numberA = false;
    bool numberB = false;
    const qlonglong valueA = a.toLongLong(&numberA);
    const qlonglong valueB = b.toLongLong(&numberB);
    if (numberA != numberB)
        return numberA;
    if (numberA && valueA != valueB)
        return valueA < valueB;
    return a < b;
}

QString csvField(QString text)
{
    // A spreadsheet runs a field that starts so as a formula: the quote makes it text.
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && kFormulaStarts.contains(text.front()))
        text.prepend(u'\'');
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') ||
        text.contains(u'\r')) {
        text.replace(QLatin1String("\""), QLatin1String("\"\""));
        return u'"' + text + u'"';
    }
    return text;
}

}  // namespace

Report::Report(Filter filter) : m_filter(std::move(filter)) {}

bool Report::read(const QStringList& files, QString* error)
{
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = path + QLatin1String(": cannot be read: ") + file.errorString();
            return false;
        }
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            if (line.isEmpty())
                continue;
            const QJsonDocument document = QJsonDocument::fromJson(line);
            if (!document.isObject()) {
                ++m_unreadableLines;
                continue;
            }
            add(document.object());
        }
    }
    return true;
}

bool Report::inPeriod(const QJsonObject& record, const QString& momentMember) const
{
    QDateTime at = moment(record, momentMember);
    if (!at.isValid())
        at = moment(record, QStringLiteral("local"));
    if (!at.isValid())
        return false;
    // The day as the station saw it: the offset written with the moment.
    const QDate day = at.date();
    return day >= m_filter.from && day <= m_filter.to;
}

void Report::add(const QJsonObject& record)
{
    const QString type = record.value(u"type").toString();
    if (type == u"announcement") {
        if (!m_filter.kind.isEmpty() && m_filter.kind != u"announcement")
            return;
        if (!m_filter.file.isEmpty() || !inPeriod(record, QStringLiteral("entered")))
            return;
        const QString index = fieldText(record.value(u"index"));
        auto row = std::lower_bound(
            m_announcements.begin(), m_announcements.end(), index,
            [](const Announcement& a, const QString& i) { return indexBefore(a.index, i); });
        if (row == m_announcements.end() || row->index != index)
            row = m_announcements.insert(row, Announcement{index, {}, {}, 0, 0});
        row->tariff = fieldText(record.value(u"tariff"));
        row->text = record.value(u"text").toString();
        ++row->shown;
        const QDateTime entered = moment(record, QStringLiteral("entered"));
        const QDateTime left = moment(record, QStringLiteral("left"));
        if (entered.isValid() && left.isValid() && left > entered)
            row->seconds += double(entered.msecsTo(left)) / 1000.0;
    } else if (type == u"content") {
        const QString kind = record.value(u"kind").toString();
        const QString source = record.value(u"source").toString();
        if (!m_filter.kind.isEmpty() && m_filter.kind != kind)
            return;
        if (!m_filter.file.isEmpty() && m_filter.file != source &&
            m_filter.file != QFileInfo(source).fileName())
            return;
        if (!inPeriod(record, QStringLiteral("first_picture")))
            return;
        const auto key = std::make_pair(kind, source);
        auto row = std::lower_bound(m_content.begin(), m_content.end(), key,
                                    [](const Content& c, const std::pair<QString, QString>& k) {
                                        return std::make_pair(c.kind, c.source) < k;
                                    });
        if (row == m_content.end() || row->kind != kind || row->source != source)
            row = m_content.insert(row, Content{kind, source, 0, 0});
        ++row->shown;
        row->seconds += std::max(0.0, record.value(u"seconds").toDouble());
    }
}

QString Report::text() const
{
    QString out = QStringLiteral("As-run report %1 .. %2\n")
                      .arg(m_filter.from.toString(Qt::ISODate), m_filter.to.toString(Qt::ISODate));
    if (!m_announcements.isEmpty()) {
        out += QStringLiteral("\nAnnouncements\n%1 %2 %3 %4  %5\n")
                   .arg(QStringLiteral("index"), 6)
                   .arg(QStringLiteral("tariff"), 6)
                   .arg(QStringLiteral("shown"), 7)
                   .arg(QStringLiteral("seconds"), 10)
                   .arg(QStringLiteral("text"));
        for (const Announcement& a : m_announcements)
            out += QStringLiteral("%1 %2 %3 %4  %5\n")
                       .arg(a.index, 6)
                       .arg(a.tariff, 6)
                       .arg(a.shown, 7)
                       .arg(secondsText(a.seconds, u'.'), 10)
                       .arg(a.text);
    }
    if (!m_content.isEmpty()) {
        out += QStringLiteral("\nContent\n%1 %2 %3  %4\n")
                   .arg(QStringLiteral("kind"), 4)
                   .arg(QStringLiteral("shown"), 7)
                   .arg(QStringLiteral("seconds"), 10)
                   .arg(QStringLiteral("source"));
        for (const Content& c : m_content)
            out += QStringLiteral("%1 %2 %3  %4\n")
                       .arg(c.kind, 4)
                       .arg(c.shown, 7)
                       .arg(secondsText(c.seconds, u'.'), 10)
                       .arg(c.source);
    }
    if (m_announcements.isEmpty() && m_content.isEmpty())
        out += QStringLiteral("\nNothing was on screen in this period.\n");
    return out;
}

QByteArray Report::csv() const
{
    QStringList lines;
    lines.append(QStringLiteral("Вид;Номер;Тариф;Текст или файл;Показов;Секунд"));
    for (const Announcement& a : m_announcements)
        lines.append(QStringList{QStringLiteral("объявление"), csvField(a.index),
                                 csvField(a.tariff), csvField(a.text), QString::number(a.shown),
                                 secondsText(a.seconds, u',')}
                         .join(u';'));
    for (const Content& c : m_content)
        lines.append(QStringList{csvField(c.kind), QString(), QString(), csvField(c.source),
                                 QString::number(c.shown), secondsText(c.seconds, u',')}
                         .join(u';'));
    QStringEncoder encoder("windows-1251", QStringEncoder::Flag::Default);
    return encoder.encode(lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n"));
}

}  // namespace velumo::asrun
