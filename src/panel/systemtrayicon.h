#pragma once

#include <QObject>

#include "panel/trayicon.h"

class QSystemTrayIcon;

namespace velumo {

// The notification-area icon on the desktop: Qt's system tray icon (StatusNotifierItem where a
// watcher runs on D-Bus, XEmbed otherwise) with the tip "Velumo7".
class SystemTrayIcon final : public QObject, public TrayIcon {
    Q_OBJECT
public:
    static constexpr char kTip[] = "Velumo7";

    explicit SystemTrayIcon(QObject* parent = nullptr);
    ~SystemTrayIcon() override;

    bool isAvailable() const override;
    void show() override;
    void hide() override;
    bool isShown() const override;
    void notify(const QString& title, const QString& text) override;

signals:
    void leftClicked();
    void rightClicked();

private:
    QSystemTrayIcon* m_icon = nullptr;
};

}  // namespace velumo
