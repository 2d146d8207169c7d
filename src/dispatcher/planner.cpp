#include "planner.h"

#include <QFileInfo>

#include "base/notifier.h"
#include "base/textfile.h"
#include "dispatcher/scheduleline.h"

namespace velumo {

Planner::Planner(Notifier& notifier, QObject* parent) : QObject(parent), m_notifier(notifier) {}

void Planner::setMemo3(const QStringList& lines)
{
    if (lines == m_lines)
        return;
    m_lines = lines;
    emit changed();
}

void Planner::BitBtn43Click(const QString& entryText, const QDateTime& now)
{
    const int year = now.date().year();
    scheduleline::startOf(entryText, year);
    scheduleline::stopExact(entryText, year);
    m_lines.append(entryText);
    emit changed();
}

void Planner::openPlanFile(const QString& path)
{
    setMemo3(readTextLines(path));
}

bool Planner::savePlanFile(const QString& path)
{
    if (QFileInfo::exists(path) &&
        !m_notifier.askYesNo(QStringLiteral("ВНИМАНИЕ"),
                             QStringLiteral("Заменить существующий файл ?"))) {
        m_notifier.message(QStringLiteral("План-файл не создан!"));
        return false;
    }
    writeTextLines(path, m_lines);
    return true;
}

void Planner::SCButton20Click(const QDate& oldDate, const QDate& newDate)
{
    const QString oldText = dateText(oldDate);
    const QString newText = dateText(newDate);
    QStringList lines = m_lines;
    for (QString& line : lines)
        line = replaceDates(line, oldText, newText);
    setMemo3(lines);
}

QString Planner::replaceDates(const QString& line, const QString& oldText, const QString& newText)
{
    if (!line.contains(oldText))
        return line;
    return newText + scheduleline::field(line, 9, 16) + newText + scheduleline::field(line, 33, 9);
}

QString Planner::dateText(const QDate& date)
{
    return date.toString(u"dd.MM.yy");
}

QString Planner::startupSample(const QDate& date)
{
    const QString d = dateText(date);
    return d + QStringLiteral(" 17:00:30|k1|00|") + d + QStringLiteral(" 17:00:30") +
           QStringLiteral("|имя файла");
}

QString Planner::prefill(const QDate& date)
{
    const QString d = dateText(date);
    return d + QStringLiteral(" 17:00:00|k1|00|") + d + QStringLiteral(" 17:00:30");
}

QString Planner::proposedFileName(const QDate& date)
{
    return QStringLiteral("pz") + date.toString(u"ddMMyy");
}

}  // namespace velumo
