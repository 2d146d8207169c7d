#include "bordermenu.h"

#include <QMenu>
#include <QWidget>

#include "base/guard.h"
#include "ticker/accessorygeometry.h"

namespace velumo {

BorderMenu::BorderMenu(QWidget* window, Notifier& notifier, Store store)
    : QObject(window), m_window(window), m_notifier(notifier), m_store(std::move(store))
{
    m_menu = new QMenu(window);
    m_menu->setObjectName(QStringLiteral("PopupMenu1"));
    QAction* on = m_menu->addAction(QStringLiteral("Включить бордер"));
    on->setObjectName(QStringLiteral("N1"));
    QAction* off = m_menu->addAction(QStringLiteral("Отключить бордер"));
    off->setObjectName(QStringLiteral("N2"));
    connectGuarded(on, &QAction::triggered, this, Origin::byOperator(QStringLiteral("bordermenu")),
                   [this] { guarded(m_notifier, [this] { borderOn(); }); });
    connectGuarded(off, &QAction::triggered, this, Origin::byOperator(QStringLiteral("bordermenu")),
                   [this] { guarded(m_notifier, [this] { borderOff(); }); });
    window->setContextMenuPolicy(Qt::CustomContextMenu);
    connectGuarded(window, &QWidget::customContextMenuRequested, this,
                   Origin::byOperator(QStringLiteral("bordermenu")),
                   [this](const QPoint& at) { m_menu->popup(m_window->mapToGlobal(at)); });
}

// Changing the frame re-creates the window: it is shown again with its content where it
// stood (a show handler that places it from the settings would otherwise move it back).
void BorderMenu::setFramed(bool framed)
{
    const bool wasVisible = m_window->isVisible();
    const QRect content = m_window->geometry();
    Qt::WindowFlags flags = m_window->windowFlags();
    flags.setFlag(Qt::FramelessWindowHint, !framed);
    m_window->setWindowFlags(flags);
    if (wasVisible)
        m_window->show();
    m_window->setGeometry(content);
    m_border = framed;
}

void BorderMenu::borderOn()
{
    setFramed(true);
}

void BorderMenu::borderOff()
{
    setFramed(false);
    m_store(m_window->geometry());
}

BorderMenu* installStripBorderMenu(QWidget* strip, Settings& settings, Notifier& notifier)
{
    return new BorderMenu(strip, notifier, [&settings](const QRect& geometry) {
        storeStripGeometry(settings, geometry);
    });
}

}  // namespace velumo
