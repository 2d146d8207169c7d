#pragma once

#include <QObject>
#include <QRect>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace velumo {

class Notifier;
class Settings;

// The right-click menu of the borderless windows beside the strip: "Включить бордер" gives the
// window a sizing frame so that the operator can drag it into place, "Отключить бордер" takes
// the frame away again and hands the window's geometry to be stored.
class BorderMenu final : public QObject {
    Q_OBJECT
public:
    using Store = std::function<void(const QRect& geometry)>;

    // The menu belongs to the window; store runs through the guard when the border goes off.
    BorderMenu(QWidget* window, Notifier& notifier, Store store);

    void borderOn();   // N1
    void borderOff();  // N2
    bool hasBorder() const { return m_border; }
    QMenu* menu() const { return m_menu; }

private:
    void setFramed(bool framed);

    QWidget* m_window;
    Notifier& m_notifier;
    Store m_store;
    QMenu* m_menu;
    bool m_border = false;
};

// Gives the strip window the same menu: switching its border off stores SCEdit43 (top),
// SCEdit45 (left) and SCEdit77 (width).
BorderMenu* installStripBorderMenu(QWidget* strip, Settings& settings, Notifier& notifier);

}  // namespace velumo
