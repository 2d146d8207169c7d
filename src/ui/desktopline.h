#pragma once

#include <QLabel>
#include <QStringList>

namespace velumo {

// The line under the main window's pages that names what the desktop lacks for a full station
// ("Нет области уведомлений: панель остаётся на экране"), one text a line, beside the status
// line of failures. Hidden while nothing is missing.
class DesktopLine final : public QLabel {
    Q_OBJECT
public:
    explicit DesktopLine(QWidget* parent);

    void setMissing(const QStringList& texts);
    const QStringList& missing() const { return m_missing; }

private:
    QStringList m_missing;
};

// The hint beside the autostart button where the user's own systemd runs: the program can run as
// its service (restarted by the watchdog) instead of, or beside, the autostart entry.
QLabel* userServiceHint();

}  // namespace velumo
