#pragma once

#include <QList>
#include <QPixmap>
#include <QPointer>
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
//
// A renderer that ends (it crashed or was killed) leaves the cover with the last good picture;
// the next load or reload makes a new browser. recycle() ends the renderer on purpose, for one
// that has grown too big, and the same browser loads the page again in a new renderer.
class BrowserPanel final : public QWidget {
    Q_OBJECT
public:
    BrowserPanel(const QString& browserName, QWidget* parent);
    ~BrowserPanel() override;

    void load(const QUrl& url);
    void loadHtml(const QString& html, const QUrl& baseUrl);
    void reload();
    // A new renderer loads the last address or page anew; the cover keeps the last good
    // picture meanwhile.
    void recycle();
    void stopLoading();
    // Makes the browser (its view, its page and the page's web contents) now, with nothing
    // loaded: done before the strip is on air, the first page of the run does not stop the strip
    // for it.
    void prepare();
    // Black, the browser's page left as it is.
    void cover();
    // Takes the black cover away again, unless a load is still to paint.
    void uncover();
    // Runs a script among the page's own (the host pages of the program call their functions).
    void runScript(const QString& script);
    bool created() const { return m_view != nullptr; }
    QWebEngineView* view() const { return m_view; }
    // The process of the page's renderer; 0 while there is none.
    qint64 rendererPid() const;

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
    void retireView();
    void loadSource();
    void beginLoad(bool keepPicture);
    void showCover(const QPixmap& picture);
    void onLoadFinished(bool ok, const QString& reason);
    void onPaintedMark(const QString& text);

    QString m_browserName;
    QWebEngineProfile* m_profile = nullptr;
    BrowserPage* m_page = nullptr;
    QWebEngineView* m_view = nullptr;
    // Views of recycled browsers still to be deleted.
    QList<QPointer<QWebEngineView>> m_retired;
    QLabel* m_cover = nullptr;
    QPixmap m_lastGood;
    // What the last load asked for, for a new browser to load again.
    QUrl m_url;
    QString m_html;
    bool m_fromHtml = false;
    bool m_rendererGone = false;
    // The renderer is being ended by recycle(): its end reloads the page, it is no failure.
    bool m_recycling = false;
    int m_loadNumber = 0;
    bool m_loading = false;
    bool m_good = false;
};

}  // namespace velumo
