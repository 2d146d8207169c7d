#include "networkcommands.h"

#include <QJsonArray>
#include <QJsonObject>

#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "net/dialup.h"
#include "net/ftpexchange.h"

namespace velumo {

void addNetworkCommands(ControlServer& c, FtpExchange& ftp, DialUp& dialUp,
                        const Settings& settings)
{
    auto side = [](const QString& argument) {
        if (argument == QLatin1String("receive"))
            return FtpExchange::Receive;
        if (argument == QLatin1String("transmit"))
            return FtpExchange::Transmit;
        throw Failure(QStringLiteral("say receive or transmit"));
    };
    c.addCommand(QStringLiteral("ftp connect"), [&ftp, side](const QString& argument) {
        side(argument) == FtpExchange::Receive ? ftp.SCButton57Click() : ftp.SCButton59Click();
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp disconnect"), [&ftp, side](const QString& argument) {
        side(argument) == FtpExchange::Receive ? ftp.SCButton58Click() : ftp.SCButton60Click();
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp receive"), [&ftp](const QString&) {
        if (!ftp.SCButton61Click())
            throw Failure(QStringLiteral("the previous receive run has not ended"));
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp transmit"), [&ftp](const QString&) {
        if (!ftp.SCButton62Click())
            throw Failure(QStringLiteral("the previous transmit run has not ended"));
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp add-upload"), [&ftp](const QString& path) {
        if (path.isEmpty())
            throw Failure(QStringLiteral("ftp add-upload needs a file path"));
        ftp.addUpload(path);
        return QString::number(ftp.LBlist2().size());
    });
    c.addCommand(QStringLiteral("dialup list"), [&dialUp, side](const QString& argument) {
        if (!dialUp.available())
            throw Failure(QStringLiteral("dial-up lines cannot be listed: nmcli is not installed"));
        dialUp.SelectConnections(side(argument) == FtpExchange::Receive ? DialUp::In : DialUp::Out);
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("dialup up"), [&dialUp, &settings, side](const QString& argument) {
        dialUp.ConnectURL(
            settings.text(side(argument) == FtpExchange::Receive ? key::SCEdit86 : key::SCEdit95));
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("dialup down"), [&dialUp](const QString&) {
        dialUp.DisconnectURL();
        return QStringLiteral("queued");
    });
    c.addStatus(QStringLiteral("ftp"), [&ftp] {
        QJsonObject receive{
            {QStringLiteral("connected"), ftp.connected(FtpExchange::Receive)},
            {QStringLiteral("running"), ftp.running(FtpExchange::Receive)},
            {QStringLiteral("listed"), QJsonArray::fromStringList(ftp.lbList())},
            {QStringLiteral("progress"), ftp.activity(FtpExchange::Receive).toJson()}};
        QJsonObject transmit{
            {QStringLiteral("connected"), ftp.connected(FtpExchange::Transmit)},
            {QStringLiteral("running"), ftp.running(FtpExchange::Transmit)},
            {QStringLiteral("queue"), QJsonArray::fromStringList(ftp.LBlist2())},
            {QStringLiteral("progress"), ftp.activity(FtpExchange::Transmit).toJson()}};
        return QJsonValue(QJsonObject{{QStringLiteral("receive"), receive},
                                      {QStringLiteral("transmit"), transmit}});
    });
    c.addStatus(QStringLiteral("dialup"), [&dialUp] {
        return QJsonValue(QJsonObject{
            {QStringLiteral("entries_in"), QJsonArray::fromStringList(dialUp.entries(DialUp::In))},
            {QStringLiteral("entries_out"),
             QJsonArray::fromStringList(dialUp.entries(DialUp::Out))},
            {QStringLiteral("handle"), dialUp.DialUpHandle()},
            {QStringLiteral("state"), dialUp.statusText()}});
    });
}

}  // namespace velumo
