#include "browserpanel.h"

#include <QLabel>
#include <QResizeEvent>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace velumo {

namespace {

const QString kMark = QStringLiteral("velumo:");

// A frame reaches the widget a little after the page has drawn it.
constexpr int kPresentDelayMs = 60;

QString reasonOf(const QWebEngineLoadingInfo& info)
{
    if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain)
        return QStringLiteral("HTTP %1").arg(info.errorCode());
    const QString text = info.errorString();
    return text.isEmpty() ? QStringLiteral("the page did not load") : text;
}

}  // namespace

// Hands the page scripts' marked console lines to the panel.
class BrowserPage final : public QWebEnginePage {
public:
    BrowserPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}
    std::function<void(const QString&)> onMessage;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                  const QString&) override
    {
        // The page's own console, for finding out why a page or a movie misbehaves.
        if (qEnvironmentVariableIsSet("VELUMO_WEB_CONSOLE"))
            qWarning("web console: %s", qPrintable(message));
        if (message.startsWith(kMark) && onMessage)
            onMessage(message.mid(kMark.size()));
    }
};

BrowserPanel::BrowserPanel(const QString& browserName, QWidget* parent)
    : QWidget(parent), m_browserName(browserName)
{
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    m_cover = new QLabel(this);
    m_cover->setObjectName(browserName + QStringLiteral("Cover"));
    m_cover->setAutoFillBackground(true);
    m_cover->setPalette(black);
    m_cover->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_cover->setGeometry(rect());
}

BrowserPanel::~BrowserPanel()
{
    // The page goes before its profile.
    delete m_view;
    m_view = nullptr;
    delete m_page;
    m_page = nullptr;
    delete m_profile;
}

void BrowserPanel::ensureView()
{
    if (m_view)
        return;
    // Memory only: no stale page from a disk cache, nothing written.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_page = new BrowserPage(m_profile, this);
    m_page->onMessage = [this](const QString& text) {
        if (text.startsWith(QStringLiteral("painted:")))
            onPaintedMark(text);
        else
            emit pageMessage(text);
    };
    QWebEngineSettings* s = m_page->settings();
    s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    m_view = new QWebEngineView(this);
    m_view->setObjectName(m_browserName);
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_view->setFocusPolicy(Qt::NoFocus);
    m_view->setGeometry(rect());
    m_view->show();
    m_cover->raise();
    // A load that is stopped (a new one replaces it, or it hung) reports nothing.
    connect(m_page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) {
                if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                    onLoadFinished(false, reasonOf(info));
                else if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus)
                    onLoadFinished(true, QString());
            });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                cover();
                m_cover->setPixmap(m_lastGood);
                m_loading = false;
                emit failed(QStringLiteral("the page renderer ended (status %1, code %2)")
                                .arg(int(status))
                                .arg(code));
            });
}

void BrowserPanel::beginLoad(bool keepPicture)
{
    ensureView();
    if (keepPicture && m_good && m_cover->isHidden())
        m_lastGood = m_view->grab();
    if (!keepPicture)
        m_lastGood = QPixmap();
    m_cover->setPixmap(m_lastGood);
    m_cover->show();
    m_cover->raise();
    m_good = false;
    m_loading = true;
    ++m_loadNumber;
}

void BrowserPanel::load(const QUrl& url)
{
    beginLoad(false);
    m_view->load(url);
}

void BrowserPanel::loadHtml(const QString& html, const QUrl& baseUrl)
{
    beginLoad(false);
    m_view->setHtml(html, baseUrl);
}

void BrowserPanel::reload()
{
    if (!m_view)
        return;
    beginLoad(true);
    m_view->reload();
}

void BrowserPanel::stopLoading()
{
    m_loading = false;
    if (m_view)
        m_view->stop();
}

void BrowserPanel::cover()
{
    m_cover->setPixmap(QPixmap());
    m_cover->show();
    m_cover->raise();
}

void BrowserPanel::runScript(const QString& script)
{
    ensureView();
    m_page->runJavaScript(script, QWebEngineScript::MainWorld);
}

void BrowserPanel::onLoadFinished(bool ok, const QString& reason)
{
    if (!m_loading)
        return;
    if (!ok) {
        m_loading = false;
        emit failed(reason);
        return;
    }
    // Painted once two frames have gone by; the script's own world keeps the page's scripts
    // from standing in its way.
    m_page->runJavaScript(QStringLiteral("requestAnimationFrame(() => requestAnimationFrame(() => "
                                         "console.log('velumo:painted:%1')));")
                              .arg(m_loadNumber),
                          QWebEngineScript::ApplicationWorld);
}

void BrowserPanel::onPaintedMark(const QString& text)
{
    if (!m_loading || text != QStringLiteral("painted:%1").arg(m_loadNumber))
        return;
    const int number = m_loadNumber;
    QTimer::singleShot(kPresentDelayMs, this, [this, number] {
        if (!m_loading || number != m_loadNumber)
            return;
        m_loading = false;
        m_good = true;
        m_cover->hide();
        emit painted();
    });
}

void BrowserPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_cover->setGeometry(rect());
    if (m_view)
        m_view->setGeometry(rect());
}

}  // namespace velumo
