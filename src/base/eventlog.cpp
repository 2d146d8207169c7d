#include "eventlog.h"

#include <QFile>
#include <QFileInfo>

namespace velumo {

EventLog::EventLog(QString path, QObject* parent) : QObject(parent), m_path(std::move(path)) {}

void EventLog::write(const QString& kind, const QString& text)
{
    const QDateTime at = QDateTime::currentDateTime();
    writeLine(at, kind, text);
    emit posted(Event{kind, at, LineEvent{text}});
}

void EventLog::post(const QString& kind, EventBody body, const QString& text)
{
    const QDateTime at = QDateTime::currentDateTime();
    if (!text.isEmpty())
        writeLine(at, kind, text);
    emit posted(Event{kind, at, std::move(body)});
}

void EventLog::writeLine(const QDateTime& at, const QString& kind, const QString& text)
{
    if (m_path.isEmpty())
        return;
    QString flat = text;
    flat.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    flat.replace(u'\n', QLatin1String("\\n"));
    flat.replace(u'\r', QLatin1String("\\n"));
    const QString line =
        at.toString(u"yyyy-MM-dd hh:mm:ss.zzz") + u'\t' + kind + u'\t' + flat + u'\n';

    if (QFileInfo(m_path).size() >= kRotateBytes) {
        const QString older = m_path + QLatin1String(".1");
        QFile::remove(older);
        QFile::rename(m_path, older);
    }
    QFile file(m_path);
    // The log is a diagnostic aid: a log that cannot be written must not stop the program.
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line.toUtf8());
}

}  // namespace velumo
