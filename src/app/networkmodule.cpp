#include "networkmodule.h"

#include <QJsonArray>
#include <QJsonObject>

#include "base/controlchannel.h"
#include "base/failure.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "net/dialup.h"
#include "net/ftpexchange.h"
#include "net/networkpages.h"
#include "ticker/blocktextreader.h"

namespace velumo {

NetworkModule::NetworkModule(const Services& services, TickerBlock& block, BlockEdits& edits)
    : m_services(services)
{
    m_blockText = std::make_unique<BlockTextReader>(block, edits);
    m_dialUp = std::make_unique<DialUp>(services.notifier, &services.log);
    m_ftp =
        std::make_unique<FtpExchange>(services.settings, *m_blockText, *m_dialUp, services.notifier,
                                      &services.log, services.timers, services.folder);
    m_pages = new NetworkPages(services.window, services.settings, services.notifier,
                               services.operations, *m_ftp, *m_dialUp);
    registerCommands();
}

NetworkModule::~NetworkModule() = default;

void NetworkModule::armTimers()
{
    m_ftp->armAutomaticRuns();
}

void NetworkModule::registerCommands()
{
    ControlServer& c = m_services.control;
    auto side = [](const QString& argument) {
        if (argument == QLatin1String("receive"))
            return FtpExchange::Receive;
        if (argument == QLatin1String("transmit"))
            return FtpExchange::Transmit;
        throw Failure(QStringLiteral("say receive or transmit"));
    };
    c.addCommand(QStringLiteral("ftp connect"), [this, side](const QString& argument) {
        side(argument) == FtpExchange::Receive ? m_ftp->SCButton57Click()
                                               : m_ftp->SCButton59Click();
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp disconnect"), [this, side](const QString& argument) {
        side(argument) == FtpExchange::Receive ? m_ftp->SCButton58Click()
                                               : m_ftp->SCButton60Click();
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp receive"), [this](const QString&) {
        if (!m_ftp->SCButton61Click())
            throw Failure(QStringLiteral("the previous receive run has not ended"));
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp transmit"), [this](const QString&) {
        if (!m_ftp->SCButton62Click())
            throw Failure(QStringLiteral("the previous transmit run has not ended"));
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("ftp add-upload"), [this](const QString& path) {
        if (path.isEmpty())
            throw Failure(QStringLiteral("ftp add-upload needs a file path"));
        m_ftp->addUpload(path);
        return QString::number(m_ftp->LBlist2().size());
    });
    c.addCommand(QStringLiteral("dialup list"), [this, side](const QString& argument) {
        if (!m_dialUp->available())
            throw Failure(QStringLiteral("dial-up lines cannot be listed: nmcli is not installed"));
        m_dialUp->SelectConnections(side(argument) == FtpExchange::Receive ? DialUp::In
                                                                           : DialUp::Out);
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("dialup up"), [this, side](const QString& argument) {
        m_dialUp->ConnectURL(m_services.settings.text(
            side(argument) == FtpExchange::Receive ? key::SCEdit86 : key::SCEdit95));
        return QStringLiteral("queued");
    });
    c.addCommand(QStringLiteral("dialup down"), [this](const QString&) {
        m_dialUp->DisconnectURL();
        return QStringLiteral("queued");
    });
    c.addStatus(QStringLiteral("ftp"), [this] {
        QJsonObject receive{
            {QStringLiteral("connected"), m_ftp->connected(FtpExchange::Receive)},
            {QStringLiteral("running"), m_ftp->running(FtpExchange::Receive)},
            {QStringLiteral("listed"), QJsonArray::fromStringList(m_ftp->lbList())},
            {QStringLiteral("progress"), m_ftp->activity(FtpExchange::Receive).toJson()}};
        QJsonObject transmit{
            {QStringLiteral("connected"), m_ftp->connected(FtpExchange::Transmit)},
            {QStringLiteral("running"), m_ftp->running(FtpExchange::Transmit)},
            {QStringLiteral("queue"), QJsonArray::fromStringList(m_ftp->LBlist2())},
            {QStringLiteral("progress"), m_ftp->activity(FtpExchange::Transmit).toJson()}};
        return QJsonValue(QJsonObject{{QStringLiteral("receive"), receive},
                                      {QStringLiteral("transmit"), transmit}});
    });
    c.addStatus(QStringLiteral("dialup"), [this] {
        return QJsonValue(QJsonObject{{QStringLiteral("entries_in"),
                                       QJsonArray::fromStringList(m_dialUp->entries(DialUp::In))},
                                      {QStringLiteral("entries_out"),
                                       QJsonArray::fromStringList(m_dialUp->entries(DialUp::Out))},
                                      {QStringLiteral("handle"), m_dialUp->DialUpHandle()},
                                      {QStringLiteral("state"), m_dialUp->statusText()}});
    });
}

}  // namespace velumo
