#pragma once

#include <QWidget>
#include <functional>

#include "alerts/alertsconfig.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QCheckBox;
class QTreeWidget;

namespace velumo {
class SettingsWindow;
}

namespace velumo::alerts {

class AlertBoard;
class AlertIntake;
struct AlertKey;
struct AlertReceipt;

// The page "Интернет > Оповещения": the fields of alerts.ini, checked and written with a button;
// the alerts on air, with «Снять», which asks for the reason and records it; the documents
// received, accepted or why refused. Without alerts.ini at the start (no board) the page writes
// the file for the program's next start; with it, a saved file applies at once.
class AlertsPage final : public QWidget {
public:
    static constexpr char kPath[] = "Интернет > Оповещения";
    static constexpr int kReceiptsKept = 200;

    // board and intake: the running alerts, or null; apply takes a saved file's values.
    AlertsPage(SettingsWindow& window, QString programFolder, AlertBoard* board,
               AlertIntake* intake, std::function<void(const AlertsConfig&)> apply);
    ~AlertsPage() override;

    // Fills the fields from alerts.ini.
    void load();
    // Checks and writes the fields; the result shows under the button. True when written.
    bool save();
    // «Снять» for the alert chosen in the list, with the reason given; false when none is
    // chosen or the reason is empty (the page says so).
    bool takeOffChosen(const QString& reason);
    void refresh();

    QString stateText() const;
    QString savedText() const;
    QTreeWidget* onAirList() const { return m_onAir; }
    QTreeWidget* receivedList() const { return m_received; }

private:
    void addReceipt(const AlertReceipt& receipt);
    void askAndTakeOff();
    QByteArray fieldsText() const;
    QLineEdit* line(const char* name) const;
    QPlainTextEdit* lines(const char* name) const;
    QCheckBox* box(const char* name) const;

    QString m_folder;
    AlertBoard* m_board;
    std::function<void(const AlertsConfig&)> m_apply;
    QTreeWidget* m_onAir = nullptr;
    QTreeWidget* m_received = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_saved = nullptr;
};

}  // namespace velumo::alerts
