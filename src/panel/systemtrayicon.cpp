#include "systemtrayicon.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "base/guard.h"

namespace velumo {

namespace {

// The program's mark: a white "V" on blue, readable at the small sizes of a tray.
QIcon programIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(0x20, 0x40, 0xA0));
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(26);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("V"));
    return QIcon(pixmap);
}

}  // namespace

SystemTrayIcon::SystemTrayIcon(QObject* parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(programIcon(), this))
{
    m_icon->setToolTip(QString::fromLatin1(kTip));
    connectGuarded(
        m_icon, &QSystemTrayIcon::activated, this,
        Origin::byOperator(QStringLiteral("systemtrayicon")),
        [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                emit leftClicked();
            else if (reason == QSystemTrayIcon::Context)
                emit rightClicked();
        });
}

SystemTrayIcon::~SystemTrayIcon() = default;

bool SystemTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::show()
{
    m_icon->show();
}

void SystemTrayIcon::hide()
{
    m_icon->hide();
}

bool SystemTrayIcon::isShown() const
{
    return m_icon->isVisible();
}

void SystemTrayIcon::notify(const QString& title, const QString& text)
{
    if (isAvailable() && isShown())
        m_icon->showMessage(title, text, QSystemTrayIcon::Warning, 10'000);
}

}  // namespace velumo
