#pragma once

#include <QWidget>
#include <array>

#include "players/web/websurface.h"

namespace velumo {

class BrowserPanel;

// The web page window (TFormSite): frameless, below the strip and the clock, black where no
// page is painted. Two stacked panels, Panel1 with the browser wb and Panel2 with WB2, the
// browsers created on their first page.
class WebWindow final : public QWidget {
    Q_OBJECT
public:
    explicit WebWindow(QWidget* parent = nullptr);
    ~WebWindow() override;

    WebSurface& surface();
    BrowserPanel& browser(int panel) const { return *m_browsers[panel]; }
    QWidget& panel(int panel) const { return *m_panels[panel]; }

private:
    class Surface;
    void placePanels();

    std::array<QWidget*, 2> m_panels{};
    std::array<BrowserPanel*, 2> m_browsers{};
    Surface* m_surface = nullptr;
    int m_panelWidthPx = 0;
    int m_panelHeightPx = 0;
    int m_offsetPx = 0;
};

}  // namespace velumo
