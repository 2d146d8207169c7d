#include "failurefeed.h"

#include <QJsonArray>

#include "clock.h"

namespace velumo {

FailureFeed::FailureFeed(const Clock& clock, QObject* parent) : QObject(parent), m_clock(clock) {}

void FailureFeed::add(const QString& source, const QString& text)
{
    dropEarlierDays();
    // A failure that repeats all day (a feed that is down) must not grow without end.
    if (m_entries.size() >= kMaxEntries)
        m_entries.removeFirst();
    m_entries.append(Entry{m_clock.now(), source, text});
    emit added(m_entries.last());
}

QJsonObject FailureFeed::status(const QStringList& openBoxes) const
{
    QJsonObject object{{QStringLiteral("today"), qint64(today().size())},
                       {QStringLiteral("boxes"), QJsonArray::fromStringList(openBoxes)}};
    if (const std::optional<Entry> entry = last())
        object.insert(QStringLiteral("last"),
                      QJsonObject{{QStringLiteral("at"), entry->at.toString(Qt::ISODateWithMs)},
                                  {QStringLiteral("source"), entry->source},
                                  {QStringLiteral("text"), entry->text}});
    else
        object.insert(QStringLiteral("last"), QJsonValue(QJsonValue::Null));
    return object;
}

QList<FailureFeed::Entry> FailureFeed::today() const
{
    dropEarlierDays();
    return m_entries;
}

std::optional<FailureFeed::Entry> FailureFeed::last() const
{
    dropEarlierDays();
    if (m_entries.isEmpty())
        return std::nullopt;
    return m_entries.last();
}

void FailureFeed::clear()
{
    m_entries.clear();
    emit cleared();
}

QString FailureFeed::lineText(const Entry& entry)
{
    return entry.at.toString(u"hh:mm:ss") + u' ' + entry.text;
}

void FailureFeed::dropEarlierDays() const
{
    const QDate today = m_clock.now().date();
    // A clock set back keeps what it has: only days before today go.
    while (!m_entries.isEmpty() && m_entries.first().at.date() < today)
        m_entries.removeFirst();
}

}  // namespace velumo
