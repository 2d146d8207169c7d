#pragma once

#include <QDir>
#include <QFile>
#include <QString>

namespace velumo::test {

// A stand-in for NetworkManager's client, put first on PATH while the object lives. It records
// every call in calls.log, lists the entries of entries.txt, "dials" by remembering the active
// connection and fails for names starting with "fail" (exit 4) or "nosuch" (exit 10).
class FakeNmcli {
public:
    explicit FakeNmcli(const QString& folder) : m_folder(folder)
    {
        QDir().mkpath(folder);
        const QString script = QStringLiteral(R"SH(#!/bin/sh
D='%1'
echo "$*" >> "$D/calls.log"
if [ "$1" = "-t" ]; then cat "$D/entries.txt"; exit 0; fi
if [ "$1" = connection ] && [ "$2" = up ]; then
  case "$3" in
    fail*) echo "Error: Connection activation failed: modem busy" >&2; exit 4;;
    nosuch*) echo "Error: unknown connection '$3'." >&2; exit 10;;
  esac
  printf '%s' "$3" > "$D/active"; echo "Connection successfully activated"; exit 0
fi
if [ "$1" = connection ] && [ "$2" = down ]; then
  if [ -f "$D/active" ] && [ "$(cat "$D/active")" = "$3" ]; then rm "$D/active"; exit 0; fi
  echo "Error: '$3' is not an active connection." >&2; exit 10
fi
exit 2
)SH")
                                   .arg(folder);
        QFile file(folder + QLatin1String("/nmcli"));
        file.open(QIODevice::WriteOnly);
        file.write(script.toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        setEntries({});
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(folder) + ':' + m_oldPath);
    }
    ~FakeNmcli() { qputenv("PATH", m_oldPath); }

    void setEntries(const QByteArray& terse)
    {
        QFile file(m_folder + QLatin1String("/entries.txt"));
        file.open(QIODevice::WriteOnly);
        file.write(terse);
    }
    QStringList calls() const
    {
        QFile file(m_folder + QLatin1String("/calls.log"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QString m_folder;
    QByteArray m_oldPath;
};

}  // namespace velumo::test
