#pragma once

#include <QRect>
#include <QStringList>
#include <array>

#include "fakes/recordedwindow.h"
#include "players/web/flashsurface.h"
#include "players/web/websurface.h"

namespace velumo::test {

// The web window without a browser: records what it is asked ("navigate 0 ADDRESS",
// "reload 1", "recycle 0", "show"...); the test reports pages painted or failed through its
// signals and sets what the renderers hold.
class RecordingWebSurface final : public WebSurface, public RecordedWindow {
public:
    QRect rect;
    int panelWidthPx = 0;
    int panelHeightPx = 0;
    int offsetPx = 0;
    // What renderer() answers, set by the test.
    std::array<Renderer, kPanels> renderers{};

    void setWindowRect(const QRect& r) override
    {
        rect = r;
        calls.append(QStringLiteral("rect"));
    }
    void setPanels(int widthPx, int heightPx) override
    {
        panelWidthPx = widthPx;
        panelHeightPx = heightPx;
    }
    void setCrawlOffset(int px) override { offsetPx = px; }
    void navigate(int panel, const QString& address) override
    {
        calls.append(QStringLiteral("navigate %1 %2").arg(panel).arg(address));
    }
    void reload(int panel) override { calls.append(QStringLiteral("reload %1").arg(panel)); }
    void stopLoading(int panel) override { calls.append(QStringLiteral("stop %1").arg(panel)); }
    void recycle(int panel) override { calls.append(QStringLiteral("recycle %1").arg(panel)); }
    Renderer renderer(int panel) const override { return renderers[panel]; }
    void showWindow() override { recordShow(); }
    void hideWindow() override { recordHide(); }
    bool windowVisible() const override { return visible; }
    void moveWindowTop(int topPx) override { rect.moveTop(topPx); }
    QRect windowRect() const override { return rect; }

    void reportPainted(int panel) { emit painted(panel); }
    void reportFailed(int panel, const QString& reason) { emit loadFailed(panel, reason); }
};

// The Flash window without Ruffle: records "rect", "load FILE", "play", "stop", "show", "hide".
class RecordingFlashSurface final : public FlashSurface, public RecordedWindow {
public:
    QRect rect;

    void setWindowRect(const QRect& r) override
    {
        rect = r;
        calls.append(QStringLiteral("rect"));
    }
    void loadMovie(const QString& file) override { calls.append(QStringLiteral("load ") + file); }
    void play() override { calls.append(QStringLiteral("play")); }
    void stopMovie() override { calls.append(QStringLiteral("stop")); }
    void showWindow() override { recordShow(); }
    void hideWindow() override { recordHide(); }
    bool windowVisible() const override { return visible; }

    void reportPlaying() { emit playing(); }
    void reportFailed(const QString& reason) { emit failed(reason); }
};

}  // namespace velumo::test
