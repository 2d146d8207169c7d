#pragma once

#include <QWidget>
#include <functional>

class QHBoxLayout;
class QPushButton;
class QVBoxLayout;

namespace velumo {

class Notifier;
class SettingsWindow;

// The main window's footer: the row of the administrator's password and entry, save, autostart,
// help and exit (sideways-scrolling on a narrow screen), the program's name and version under
// it, and the second exit at the tool bar's right end. Each button's action runs through the
// guard of notifier. Others put a widget beside a button of the row, or a line under it. It
// stands at the bottom of the window's central widget.
class MainFooter final : public QWidget {
public:
    struct Actions {
        std::function<void()> adminEntry;
        std::function<void()> save;
        std::function<void()> autostart;
        std::function<void()> exit;
    };

    MainFooter(SettingsWindow& window, Notifier& notifier, Actions actions);

    static QString helpText();

    QPushButton* autostartButton() const { return m_autostart; }
    // widget goes into the row right after button.
    void addBeside(QPushButton* button, QWidget* widget);
    // widget goes under what the footer holds so far.
    void addLine(QWidget* widget);

private:
    QPushButton* addButton(const char* name, const QString& caption, const QString& hint,
                           std::function<void()> action);

    SettingsWindow& m_window;
    Notifier& m_notifier;
    QVBoxLayout* m_lines = nullptr;
    QWidget* m_rowWidget = nullptr;
    QHBoxLayout* m_row = nullptr;
    QPushButton* m_autostart = nullptr;
};

}  // namespace velumo
