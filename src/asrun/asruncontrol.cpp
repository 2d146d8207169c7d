#include "asruncontrol.h"

#include "asrun/recordsink.h"
#include "base/commandreply.h"
#include "base/controlchannel.h"

namespace velumo::asrun {

void addControl(ControlServer& control, RecordSink& sink)
{
    control.addCommand(QStringLiteral("asrun seal"),
                       [&sink](const QString&, const std::shared_ptr<CommandReply>& reply) {
                           sink.seal([reply](bool ok, const QString& text) {
                               if (ok)
                                   reply->done(text);
                               else
                                   reply->fail(text);
                           });
                       });
    control.addStatus(QStringLiteral("asrun"), [&sink] { return QJsonValue(sink.status()); });
}

}  // namespace velumo::asrun
