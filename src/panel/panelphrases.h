#pragma once

#include <QString>
#include <QStringList>

namespace velumo {

// The control panel's list of prepared phrases, kept in panel.txt in the program folder: one
// phrase per line, Windows-1251, CR LF, no header. Read whole when the panel is created and
// written whole when it closes.
class PanelPhrases {
public:
    static constexpr char kFileName[] = "panel.txt";
    // The list of a first start (no panel.txt yet).
    static constexpr char kStartupPhrase[] = "Вышла новая версия Velumo7!!";

    // Reads the file. A missing file gives the start-up phrase. A file that exists but cannot
    // be read leaves the list empty and throws Failure; it is then never overwritten (save()
    // leaves it alone), so the phrases in it are not lost.
    void load(const QString& path);
    // Writes the list, replacing the file atomically. Returns false when it left an unread
    // file untouched. Throws Failure when the write fails.
    bool save(const QString& path) const;

    const QStringList& phrases() const { return m_phrases; }
    int size() const { return int(m_phrases.size()); }
    bool isValid(int index) const { return index >= 0 && index < m_phrases.size(); }
    QString at(int index) const { return m_phrases.value(index); }

    // Appends a phrase; line breaks in it become blanks (a phrase is one line of the file).
    void add(const QString& phrase);
    // Removes the phrase at index; false (and nothing changed) when there is none.
    bool remove(int index);

    // A phrase as it can be stored: one line.
    static QString oneLine(const QString& phrase);

private:
    QStringList m_phrases;
    bool m_unreadable = false;
};

}  // namespace velumo
