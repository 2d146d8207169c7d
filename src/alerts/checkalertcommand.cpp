#include "checkalertcommand.h"

#include <cstdio>

#include "alerts/alertsconfig.h"
#include "alerts/alertselection.h"
#include "alerts/capreader.h"
#include "base/guard.h"
#include "base/textfile.h"

namespace velumo::alerts {

namespace {

QString signatureText(const SignatureCheck& check)
{
    switch (check.state) {
        case SignatureCheck::State::Unsigned:
            return QStringLiteral("нет");
        case SignatureCheck::State::Unchecked:
            return QStringLiteral("есть, не проверена: ") + check.detail;
        case SignatureCheck::State::Valid:
            return QStringLiteral("верна, ") + check.detail;
        case SignatureCheck::State::Invalid:
            break;
    }
    return QStringLiteral("неверна: ") + check.detail;
}

}  // namespace

QStringList checkAlertReport(const QString& file, const QString& programFolder,
                             const QDateTime& now, int* exitCode)
{
    const AlertsConfigRead settings = readAlertsConfig(programFolder);
    QStringList lines{QStringLiteral("Оповещение %1, проверка на %2 (%3)")
                          .arg(file, momentText(now),
                               settings.present
                                   ? QStringLiteral("настройки alerts.ini")
                                   : QStringLiteral("alerts.ini нет: настройки по умолчанию"))};
    for (const QString& error : settings.errors)
        lines << QStringLiteral("Ошибка в настройках: ") + error;
    *exitCode = 1;
    CapReading reading;
    try {
        reading =
            readCap(readFileBytes(file, kMaxDocumentBytes), settings.config.trust(programFolder));
    } catch (...) {
        reading.fault = currentExceptionText();
    }
    if (reading.kind == CapReading::Kind::Refused) {
        lines << QStringLiteral("Отклонено: ") + reading.fault;
        return lines;
    }
    if (reading.kind == CapReading::Kind::Index) {
        lines << QStringLiteral(
                     "Указатель оповещений (Atom или RSS), ссылок: %1; станция читает "
                     "каждый документ по ссылке, если указатель задан как feed:")
                     .arg(reading.links.size());
        for (const QString& link : reading.links)
            lines << QStringLiteral("  ") + link;
        *exitCode = 0;
        return lines;
    }
    const CapAlert& alert = reading.alert;
    lines << QStringLiteral("CAP %1: %2, отправлено %3, %4 %5 %6; подпись: %7")
                 .arg(alert.version, alert.key().text(), momentText(alert.sent), name(alert.status),
                      name(alert.msgType), name(alert.scope), signatureText(reading.signature));
    for (const CapInfo& info : alert.infos)
        lines << QStringLiteral("  [%1] %2/%3/%4 «%5»%6")
                     .arg(
                         info.language, name(info.severity), name(info.urgency),
                         name(info.certainty), info.headline.isEmpty() ? info.event : info.headline,
                         info.expires.isValid() ? QStringLiteral(", до ") + momentText(info.expires)
                                                : QString());
    if (alert.msgType == MsgType::Update || alert.msgType == MsgType::Cancel) {
        QStringList named;
        for (const CapReference& reference : alert.references)
            named << reference.key.text();
        lines << (alert.msgType == MsgType::Update ? QStringLiteral("Заменяет: ")
                                                   : QStringLiteral("Снимает с эфира: ")) +
                     named.join(QStringLiteral(", "));
        if (alert.msgType == MsgType::Cancel) {
            *exitCode = 0;
            return lines;
        }
    }
    const Selection selection = select(alert, settings.config, now);
    const QString shape = selection.display == Display::Band
                              ? QStringLiteral("полосой поверх всего")
                              : QStringLiteral("в строке");
    const CapInfo* info = selection.info >= 0 ? &alert.infos[std::size_t(selection.info)] : nullptr;
    const QString until = selection.until.isValid()
                              ? QStringLiteral(" до ") + momentText(selection.until)
                              : QStringLiteral(" до отмены");
    switch (selection.verdict) {
        case Selection::Verdict::Show:
            lines << QStringLiteral("Будет показано %1%2 (блок %3 %4/%5)%6")
                         .arg(shape, until, info->language, name(info->severity),
                              name(info->urgency),
                              selection.mark.isEmpty() ? QString() : u' ' + selection.mark);
            *exitCode = 0;
            break;
        case Selection::Verdict::Later:
            lines << QStringLiteral("Будет показано %1 с %2%3 (блок %4 %5/%6)")
                         .arg(shape, momentText(selection.from), until, info->language,
                              name(info->severity), name(info->urgency));
            *exitCode = 0;
            break;
        case Selection::Verdict::NotShown:
            lines << QStringLiteral("Не будет показано: ") + selection.reason;
            break;
    }
    return lines;
}

int runCheckAlert(const QString& file, const QString& programFolder)
{
    int exitCode = 1;
    for (const QString& line :
         checkAlertReport(file, programFolder, QDateTime::currentDateTime(), &exitCode)) {
        std::fputs(line.toUtf8().constData(), stdout);
        std::fputs("\n", stdout);
    }
    return exitCode;
}

}  // namespace velumo::alerts
