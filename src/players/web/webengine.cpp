#include "webengine.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWebEngineProfile>
#include <cerrno>

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

QByteArray readProc(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(64 * 1024) : QByteArray();
}

// The child processes of a process: those of each of its threads.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    const QString tasks = QStringLiteral("/proc/%1/task/").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QByteArray& child :
             readProc(tasks + task + QStringLiteral("/children")).split(' '))
            if (const qint64 id = child.trimmed().toLongLong(); id > 0)
                children.append(id);
    return children;
}

bool isBrowserProcess(qint64 pid)
{
    return readProc(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains("QtWebEngineProcess");
}

void lowerTasksOf(qint64 pid)
{
    const QStringList tasks =
        QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        const id_t tid = id_t(task.toLongLong());
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, tid);
        if (errno == 0 && nice < kBrowserNice)
            setpriority(PRIO_PROCESS, tid, kBrowserNice);
    }
}

}  // namespace

void yieldBrowserProcesses(qint64 rendererPid)
{
    if (rendererPid > 0) {
        lowerTasksOf(rendererPid);
        return;
    }
    // The engine's zygotes are children of this process, its renderers theirs. Once the
    // zygotes are found, the renderers they fork later inherit their priority.
    static bool zygotesFound = false;
    if (zygotesFound)
        return;
    for (const qint64 child : childrenOf(qint64(::getpid()))) {
        if (!isBrowserProcess(child))
            continue;
        zygotesFound = true;
        lowerTasksOf(child);
        for (const qint64 grandchild : childrenOf(child))
            lowerTasksOf(grandchild);
    }
}

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
    yieldBrowserProcesses();
}

}  // namespace velumo
