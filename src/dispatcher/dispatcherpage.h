#pragma once

#include <QObject>
#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace velumo {

class ControlPanel;
class DialogSpec;
class DispatcherEngine;
class Notifier;
class Settings;
class SettingsWindow;

// The page "ЦУП > Диспетчер": the start and stop buttons, the plan-file picker, the loaded
// schedule (Memon1), the file dialogs behind the slot fields, and the dispatcher's section of
// the control panel (its start and stop buttons, the label "Диспетчер запущен!" and the
// mirrors of the current line, the string stop and the clip stop).
class DispatcherPage final : public QObject {
    Q_OBJECT
public:
    static constexpr char kPage[] = "ЦУП > Диспетчер";

    DispatcherPage(SettingsWindow& window, ControlPanel& panel, DispatcherEngine& engine,
                   Settings& settings, Notifier& notifier, QString initialFolder);

    void SCButton37Click();
    void SCButton50Click();
    void SCButton33Click();

private:
    void showSchedule();
    void mirror(const QString& name);
    void chooseSlotFile(const QString& field, DialogSpec* dialog);
    void run(const std::function<void()>& body);

    SettingsWindow& m_window;
    ControlPanel& m_panel;
    DispatcherEngine& m_engine;
    Settings& m_settings;
    Notifier& m_notifier;
    QString m_folder;
    QPlainTextEdit* m_memon1 = nullptr;
    QLabel* m_panelLabel = nullptr;
    QLineEdit* m_panelLine = nullptr;
    QLineEdit* m_panelStringStop = nullptr;
    QLineEdit* m_panelClipStop = nullptr;
    DialogSpec* m_planDialog = nullptr;
};

}  // namespace velumo
