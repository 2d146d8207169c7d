#pragma once

#include <QPixmap>
#include <QUrl>
#include <QWidget>

class QLabel;
class QWebEngineProfile;
class QWebEngineView;

namespace velumo {

class BrowserPage;

// One browser filling a widget, created on its first load. A cover stands above the browser
// from each load until its page is painted, so nothing of the browser's own screens (a blank
// page, an error page, a half-built page) is ever seen: it is black, or at a reload the last
// good picture of the page. A failed load leaves the cover up.
class BrowserPanel final : public QWidget {
    Q_OBJECT
public:
    BrowserPanel(const QString& browserName, QWidget* parent);
    ~BrowserPanel() override;

    void load(const QUrl& url);
    void loadHtml(const QString& html, const QUrl& baseUrl);
    void reload();
    void stopLoading();
    // Black, the browser's page left as it is.
    void cover();
    // Runs a script among the page's own (the host pages of the program call their functions).
    void runScript(const QString& script);
    bool created() const { return m_view != nullptr; }
    QWebEngineView* view() const { return m_view; }

signals:
    // The page of the last load is painted and uncovered.
    void painted();
    void failed(const QString& reason);
    // A console line of the page's scripts that starts with "velumo:", without it.
    void pageMessage(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ensureView();
    void beginLoad(bool keepPicture);
    void onLoadFinished(bool ok, const QString& reason);
    void onPaintedMark(const QString& text);

    QString m_browserName;
    QWebEngineProfile* m_profile = nullptr;
    BrowserPage* m_page = nullptr;
    QWebEngineView* m_view = nullptr;
    QLabel* m_cover = nullptr;
    QPixmap m_lastGood;
    int m_loadNumber = 0;
    bool m_loading = false;
    bool m_good = false;
};

}  // namespace velumo
