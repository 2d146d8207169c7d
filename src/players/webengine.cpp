#include "webengine.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWebEngineProfile>

namespace velumo {

namespace {

// The OpenGL renderer of the display ("llvmpipe (LLVM 15.0.6, 256 bits)"), or empty when no
// context can be made current on it.
QString openGlRenderer()
{
    QOpenGLContext context;
    if (!context.create())
        return QString();
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return QString();
    const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    const QString renderer = name ? QString::fromLatin1(name) : QString();
    context.doneCurrent();
    return renderer;
}

// An OpenGL renderer name that is a software rasteriser, or no renderer at all.
bool softwareRasteriser(const QString& renderer)
{
    static const char* const kSoftware[] = {"llvmpipe", "softpipe", "swrast", "Software Rasterizer",
                                            "SwiftShader"};
    if (renderer.trimmed().isEmpty())
        return true;
    for (const char* name : kSoftware)
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return true;
    return false;
}

QString decideWebCompositing()
{
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        return QStringLiteral("as QT_QUICK_BACKEND sets it");
    const QString renderer = openGlRenderer();
    if (!softwareRasteriser(renderer))
        return QStringLiteral("on OpenGL: ") + renderer;
    // Chromium keeps its own GPU thread (WebGL still works); only the view's scene goes in
    // software.
    qputenv("QT_QUICK_BACKEND", "software");
    return QStringLiteral("in software, no graphics processor (%1)")
        .arg(renderer.isEmpty() ? QStringLiteral("no OpenGL") : renderer);
}

}  // namespace

void prepareWebEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

const QString& chooseWebCompositing()
{
    static const QString decision = decideWebCompositing();
    return decision;
}

void warmUpWebEngine(QObject* owner)
{
    static bool started = false;
    if (started)
        return;
    started = true;
    chooseWebCompositing();
    // An off-the-record profile: creating the first profile starts the engine.
    new QWebEngineProfile(owner);
}

}  // namespace velumo
