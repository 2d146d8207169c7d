#include "asruncommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include "asrun/chain.h"
#include "asrun/journaloptions.h"
#include "asrun/publickey.h"
#include "asrun/report.h"
#include "asrun/verifier.h"

namespace velumo::asrun {

namespace {

void print(FILE* stream, const QString& text)
{
    std::fputs(text.toUtf8().constData(), stream);
}

}  // namespace

int runVerify(const QStringList& files, const QString& publicKeyPath, const QString& programFolder)
{
    if (files.isEmpty()) {
        print(stderr, QStringLiteral("--asrun-verify: no journal files named\n"));
        return 2;
    }
    QString keyPath = publicKeyPath;
    if (keyPath.isEmpty()) {
        keyPath = programFolder + QLatin1String("/asrun.pub");
        if (!QFile::exists(keyPath))
            keyPath = QFileInfo(files.first())
                          .absoluteDir()
                          .absoluteFilePath(QStringLiteral("../asrun.pub"));
    }
    QFile keyFile(keyPath);
    std::optional<PublicKey> key;
    if (keyFile.open(QIODevice::ReadOnly))
        key = PublicKey::fromMinisignText(keyFile.read(4096));
    if (!key) {
        print(stderr,
              QStringLiteral("%1: not a readable public key\n").arg(QDir::cleanPath(keyPath)));
        return 2;
    }
    const Verifier::Result result = Verifier(*key).verify(files);
    // The verdict, the key it rests on, and what no seal vouches for yet.
    QString text = result.text + u'\n' +
                   QStringLiteral("key: %1 (%2)\n").arg(result.keyId, QDir::cleanPath(keyPath));
    if (!result.unsealedText.isEmpty())
        text += result.unsealedText + u'\n';
    print(result.outcome == Verifier::Outcome::Holds ? stdout : stderr, text);
    return int(result.outcome);
}

int runReport(const QStringList& arguments, bool csv, const QString& kind, const QString& file,
              const QString& programFolder)
{
    const QDate from =
        arguments.size() == 2 ? QDate::fromString(arguments[0], u"yyyy-MM-dd") : QDate();
    const QDate to =
        arguments.size() == 2 ? QDate::fromString(arguments[1], u"yyyy-MM-dd") : QDate();
    if (!from.isValid() || !to.isValid() || to < from) {
        print(stderr,
              QStringLiteral("--asrun-report FROM TO: two dates YYYY-MM-DD, FROM not after TO\n"));
        return 1;
    }
    const QString folder = JournalOptions::read(programFolder).folderPath(programFolder);
    QStringList files;
    // A day's file may hold records of the day before (written just after midnight) and the
    // moments of content reach back: one day more on each side.
    for (QDate day = from.addDays(-1); day <= to.addDays(1); day = day.addDays(1)) {
        const QString path = folder + u'/' + chain::dayFileName(day);
        if (QFile::exists(path))
            files.append(path);
    }
    Report report({from, to, kind, file});
    QString error;
    if (!report.read(files, &error)) {
        print(stderr, error + u'\n');
        return 2;
    }
    if (csv) {
        const QByteArray bytes = report.csv();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    } else {
        print(stdout, report.text());
    }
    if (report.unreadableLines() > 0)
        print(stderr, QStringLiteral("%1 lines were not records and are left out\n")
                          .arg(report.unreadableLines()));
    return 0;
}

}  // namespace velumo::asrun
