#include "panelphrases.h"

#include <QFileInfo>

#include "base/failure.h"
#include "base/textfile.h"

namespace velumo {

void PanelPhrases::load(const QString& path)
{
    m_unreadable = false;
    m_phrases.clear();
    if (!QFileInfo::exists(path)) {
        m_phrases.append(QString::fromUtf8(kStartupPhrase));
        return;
    }
    try {
        m_phrases = readTextLines(path);
    } catch (...) {
        m_unreadable = true;
        throw;
    }
}

bool PanelPhrases::save(const QString& path) const
{
    if (m_unreadable && QFileInfo::exists(path))
        return false;
    writeTextLines(path, m_phrases);
    return true;
}

QString PanelPhrases::oneLine(const QString& phrase)
{
    QString line = phrase;
    for (QChar& c : line)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    return line;
}

void PanelPhrases::add(const QString& phrase)
{
    m_phrases.append(oneLine(phrase));
}

bool PanelPhrases::remove(int index)
{
    if (!isValid(index))
        return false;
    m_phrases.removeAt(index);
    return true;
}

}  // namespace velumo
