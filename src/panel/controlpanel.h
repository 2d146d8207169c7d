#pragma once

#include <QList>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

#include "base/translationfile.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;

namespace velumo {

class ClockTicker;
class Notifier;
class Operations;
class PanelPhrases;
class PhraseListModel;
class Settings;
class SettingsWindow;
class TrayIcon;

// The operator's floating control panel (TForm7): the phrase list, the clock text, the ticker's
// stop, continue and restart, the dispatcher, the players, the main window, the notification
// area and the exit. Its buttons run the program's named operations, the same ones the main
// window's buttons and the control channel run.
class ControlPanel final : public QWidget {
    Q_OBJECT
public:
    static constexpr char kCaption[] =
        "                                         Панель ручного управления Velumo7";
    static constexpr char kExitQuestion[] = "Вы уверенны,что программа должна быть закрыта?";
    static constexpr char kExitTitle[] = "Выход из программы";
    // The size the panel opens with.
    static constexpr QSize kSize{591, 341};
    // The panel's own window: a tool window with a caption and no border icons.
    static constexpr Qt::WindowFlags kWindowFlags{Qt::Tool | Qt::CustomizeWindowHint |
                                                  Qt::WindowTitleHint};
    static constexpr char kNoTrayMessage[] =
        "На этом рабочем столе нет области уведомлений: панель управления остаётся на экране";

    // The windows the panel moves and raises besides itself.
    struct Windows {
        SettingsWindow& main;
        QWidget& strip;
        QWidget& clock;
    };

    ControlPanel(Settings& settings, Notifier& notifier, Operations& operations,
                 PanelPhrases& phrases, ClockTicker& clock, TrayIcon& tray, Windows windows,
                 QWidget* parent = nullptr);
    ~ControlPanel() override;

    // The components of panel_lang.cfg with their current texts, in their declared order.
    QList<UiComponent> components() const;
    void applyComponents(const QList<UiComponent>& components);

    // Shows the phrase list again after it was loaded.
    void showPhrases();
    // The model the phrase list shows; every change of the phrases goes through it.
    PhraseListModel& phraseModel() const { return *m_model; }
    // The selected phrase (0-based), -1 when none.
    int selectedPhrase() const;
    void selectPhrase(int index);
    // Appends a phrase to the list (what SCButton4 does with the text of scEdit1).
    void addPhrase(const QString& phrase);
    // ClockText, the text shown before the time.
    QString clockText() const;

    QMenu* popupMenu() const { return m_popup; }
    QLabel* dispatcherLabel() const { return m_label1; }

    // Handlers, in the controls' names.
    void SCButton4Click();   // scEdit1 into the list (also Insert in scEdit1, SCEdit2-SCEdit4)
    void SCButton6Click();   // the selected phrase out (also Delete in the list)
    void SCButton1Click();   // the selected phrase into the ticker as its next line
    void SCButton9Click();   // the selected phrase beside the clock
    void SCButton12Click();  // the clock text of the settings
    void CheckBox1Click(bool checked);
    void SCButton11Click();  // strip (and clock) to the front; N1
    void SCButton3Click();   // main window; N2
    void N3Click();          // the panel itself
    void SCButton7Click();   // main window on the page of the dispatcher, behind the others
    void SCButton5Click();   // to the notification area
    // Asks first; false when the operator cancelled.
    bool SCButton17Click();
    void Label1Click();

    // The notification-area icon's clicks.
    void trayLeftClick();
    void trayRightClick();

    // Players' buttons run their operation when it exists; otherwise they are disabled.
    void updatePlayerButtons();

signals:
    // The panel is being closed (its files are written then).
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Insert adds a phrase and Delete removes the chosen one, from the list and the fields.
    void watchKeys(QObject* watched);
    bool keyEvent(QObject* watched, QEvent* event);
    void build();
    QPushButton* button(const char* name);
    void run(const std::function<void()>& body);
    void runOperation(const QString& name, const QString& argument = {});
    void mirror(const QString& setting);
    void showMainNormal();

    Settings& m_settings;
    Notifier& m_notifier;
    Operations& m_operations;
    PanelPhrases& m_phrases;
    ClockTicker& m_clock;
    TrayIcon& m_tray;
    Windows m_windows;
    bool m_noTrayReported = false;

    PhraseListModel* m_model = nullptr;
    QListView* m_list = nullptr;
    QLineEdit* m_input = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label1 = nullptr;
    QCheckBox* m_clockBox = nullptr;
    QLineEdit* m_time = nullptr;
    QLineEdit* m_nextStart = nullptr;
    QLineEdit* m_stringStop = nullptr;
    QLineEdit* m_clipStop = nullptr;
    QMenu* m_popup = nullptr;
    // Players' buttons with the operation each runs.
    QList<QPair<QPointer<QPushButton>, QString>> m_playerButtons;
};

}  // namespace velumo
