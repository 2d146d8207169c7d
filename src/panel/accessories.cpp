#include "accessories.h"

#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "panel/accessorycontrol.h"
#include "panel/accessorywindows.h"
#include "panel/bordermenu.h"
#include "panel/clockticker.h"
#include "panel/clockwindow.h"
#include "panel/fontstylepage.h"
#include "panel/iconslots.h"
#include "panel/iconwindow.h"
#include "panel/picturereader.h"
#include "panel/thematicicons.h"
#include "ticker/stripwindow.h"
#include "ticker/tickercontrol.h"
#include "ticker/tickertextpage.h"
#include "ui/settingswindow.h"

namespace velumo {

Accessories::Accessories(const AccessoriesParts& parts, TickerControl& ticker, StripWindow& strip,
                         TickerTextPage& textPage)
    : m_parts(parts), m_strip(strip)
{
    const AccessoriesParts& services = m_parts;
    Settings& settings = services.settings;
    m_icon = new IconWindow(settings, services.notifier);
    m_clockWindow = new ClockWindow(settings, services.notifier);
    m_clockTicker = std::make_unique<ClockTicker>(settings, services.clock, services.timers,
                                                  services.power, services.notifier);
    m_clockTicker->setClockText(QStringLiteral("  "));
    connectGuarded(m_clockTicker.get(), &ClockTicker::clockDrawn, m_clockWindow,
                   Origin::unattended(QStringLiteral("accessoriesmodule")),
                   &ClockWindow::showClock);

    AccessoryControl::Hooks hooks;
    hooks.tickerRunning = [&ticker] { return ticker.TickerRunning(); };
    hooks.showClock = [this] {
        m_clockWindow->show();
        m_clockWindow->raise();
    };
    hooks.hideClock = [this] { m_clockWindow->hide(); };
    hooks.raiseStrip = [this] {
        m_strip.show();
        m_strip.raise();
    };
    // The panel's clock box follows SCCheckbox7 itself.
    m_control = std::make_unique<AccessoryControl>(settings, services.timers, services.notifier,
                                                   std::move(hooks));

    m_pictures = std::make_unique<PictureReader>();
    m_iconSlots = std::make_unique<IconSlots>(settings, *m_icon, *m_pictures, services.notifier,
                                              &services.log);
    connectGuarded(m_icon, &IconWindow::animationFailed, m_iconSlots.get(),
                   Origin::unattended(QStringLiteral("accessoriesmodule")),
                   &IconSlots::animationFailed);
    m_icons = new ThematicIcons(services.window, *m_iconSlots, services.notifier, services.folder);
    m_fontPage = new FontStylePage(services.window, settings, services.notifier, *m_clockTicker,
                                   textPage.textList());
    installStripBorderMenu(&m_strip, settings, services.notifier);
    m_windows = std::make_unique<AccessoryWindows>(*m_clockWindow, *m_icon, *m_clockTicker);
    m_windows->addCommands(services.control, *m_iconSlots);
    m_clockTicker->start();
}

Accessories::~Accessories()
{
    m_windows.reset();
    delete m_clockWindow;
    delete m_icon;
}

void Accessories::vibor(int index)
{
    m_iconSlots->vibor(index);
}

void Accessories::requestClockRedraw()
{
    m_clockTicker->requestRedraw();
}

TickerWindowsStyler& Accessories::styler()
{
    return *m_windows;
}

void Accessories::applyStoredSettings()
{
    const Settings& settings = m_parts.settings;
    m_clockTicker->setClockText(settings.text(key::SCEdit41));
    // The strip's width and the accessory windows beside its left edge.
    m_windows->place(settings, m_strip);
    // Keep-on-top control, the sample font with the clock font, the thematic pictures.
    m_control->applyTimerStrOver();
    m_fontPage->applyStoredFonts();
    m_iconSlots->loadAll();
}

}  // namespace velumo
