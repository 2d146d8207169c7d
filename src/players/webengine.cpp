#include "webengine.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QWebEngineProfile>

namespace velumo {

void prepareWebEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

void warmUpWebEngine(QObject* owner)
{
    static bool started = false;
    if (started)
        return;
    started = true;
    // An off-the-record profile: creating the first profile starts the engine.
    new QWebEngineProfile(owner);
}

}  // namespace velumo
