#include "webwindow.h"

#include "base/guard.h"
#include "players/web/browserpanel.h"
#include "players/web/processmemory.h"

namespace velumo {

class WebWindow::Surface final : public WebSurface {
public:
    explicit Surface(WebWindow& window) : WebSurface(&window), m_window(window)
    {
        for (int i = 0; i < kPanels; ++i) {
            BrowserPanel* browser = m_window.m_browsers[i];
            connectGuarded(browser, &BrowserPanel::painted, this,
                           Origin::unattended(QStringLiteral("webwindow")),
                           [this, i] { emit painted(i); });
            connectGuarded(browser, &BrowserPanel::failed, this,
                           Origin::unattended(QStringLiteral("webwindow")),
                           [this, i](const QString& reason) { emit loadFailed(i, reason); });
        }
    }

    void setWindowRect(const QRect& rect) override { m_window.setGeometry(rect); }
    void setPanels(int widthPx, int heightPx) override
    {
        m_window.m_panelWidthPx = widthPx;
        m_window.m_panelHeightPx = heightPx;
        m_window.placePanels();
    }
    void setCrawlOffset(int offsetPx) override
    {
        m_window.m_offsetPx = offsetPx;
        m_window.placePanels();
    }
    void navigate(int panel, const QString& address) override
    {
        BrowserPanel& browser = *m_window.m_browsers[panel];
        if (address.trimmed().isEmpty()) {
            browser.cover();
            return;
        }
        // Addresses come without the scheme ("www.example.org/news").
        browser.load(QUrl::fromUserInput(address.trimmed()));
    }
    void reload(int panel) override { m_window.m_browsers[panel]->reload(); }
    void stopLoading(int panel) override { m_window.m_browsers[panel]->stopLoading(); }
    void recycle(int panel) override { m_window.m_browsers[panel]->recycle(); }
    Renderer renderer(int panel) const override
    {
        const qint64 pid = m_window.m_browsers[panel]->rendererPid();
        return Renderer{pid, processResidentKb(pid)};
    }
    void showWindow() override
    {
        m_window.show();
        m_window.raise();
    }
    void hideWindow() override { m_window.hide(); }
    bool windowVisible() const override { return m_window.isVisible(); }
    void moveWindowTop(int topPx) override { m_window.move(m_window.x(), topPx); }
    QRect windowRect() const override { return m_window.geometry(); }

private:
    WebWindow& m_window;
};

WebWindow::WebWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("TFormSite"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    resize(800, 600);
    const char* panelNames[] = {"Panel1", "Panel2"};
    const char* browserNames[] = {"wb", "WB2"};
    for (int i = 0; i < 2; ++i) {
        m_panels[i] = new QWidget(this);
        m_panels[i]->setObjectName(QString::fromLatin1(panelNames[i]));
        m_browsers[i] = new BrowserPanel(QString::fromLatin1(browserNames[i]), m_panels[i]);
    }
    m_surface = new Surface(*this);
    placePanels();
}

WebWindow::~WebWindow()
{
    // The browsers go while the application is still there.
    for (BrowserPanel*& browser : m_browsers) {
        delete browser;
        browser = nullptr;
    }
}

WebSurface& WebWindow::surface()
{
    return *m_surface;
}

void WebWindow::placePanels()
{
    const int width = m_panelWidthPx > 0 ? m_panelWidthPx : this->width();
    const int height = m_panelHeightPx > 0 ? m_panelHeightPx : this->height();
    m_panels[0]->setGeometry(0, -m_offsetPx, width, height);
    m_panels[1]->setGeometry(0, height - m_offsetPx, width, height);
    for (int i = 0; i < 2; ++i)
        m_browsers[i]->setGeometry(0, 0, width, height);
}

}  // namespace velumo
