#pragma once

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QStringList>

#include <atomic>

#include "asrun/journal.h"
#include "asrun/publickey.h"
#include "asrun/verifier.h"
#include "base/clock.h"

namespace velumo::test {

// A wall clock the test sets; read from the journal's writer thread too.
class ManualClock final : public Clock {
public:
    explicit ManualClock(const QDateTime& start) : m_ms(start.toMSecsSinceEpoch()) {}
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(m_ms.load()); }
    qint64 monotonicMs() const override { return m_ms.load(); }
    bool synchronised() const override { return m_synced.load(); }
    void set(const QDateTime& moment) { m_ms = moment.toMSecsSinceEpoch(); }
    void advanceMs(qint64 ms) { m_ms += ms; }
    void setSynchronised(bool synced) { m_synced = synced; }

private:
    std::atomic<qint64> m_ms;
    std::atomic_bool m_synced{true};
};

inline QJsonObject announcement(int index, const QString& text = QStringLiteral("Скидки"))
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("announcement")},
                       {QStringLiteral("index"), index},
                       {QStringLiteral("tariff"), 1},
                       {QStringLiteral("text"), text},
                       {QStringLiteral("entered"), QStringLiteral("2026-12-09T10:00:00.000+00:00")},
                       {QStringLiteral("left"), QStringLiteral("2026-12-09T10:00:12.500+00:00")}};
}

inline QStringList journalFiles(const QString& folder)
{
    QStringList files;
    for (const QString& name :
         QDir(folder).entryList({QStringLiteral("*.jsonl")}, QDir::Files, QDir::Name))
        files.append(folder + u'/' + name);
    return files;
}

inline asrun::PublicKey stationPublicKey(const QString& programFolder)
{
    QFile file(programFolder + QLatin1String("/asrun.pub"));
    file.open(QIODevice::ReadOnly);
    return *asrun::PublicKey::fromMinisignText(file.readAll());
}

inline asrun::Verifier::Result verifyFolder(const QString& programFolder)
{
    return asrun::Verifier(stationPublicKey(programFolder))
        .verify(journalFiles(programFolder + QLatin1String("/asrun")));
}

}  // namespace velumo::test
