#pragma once

#include <QObject>
#include <QString>

class QPlainTextEdit;

namespace velumo {

class DialogSpec;
class DispatcherEngine;
class Notifier;
class Operations;
class Settings;
class SettingsWindow;

// The page "ЦУП > Диспетчер": the start and stop buttons, the plan-file picker, the loaded
// schedule (Memon1) and the file dialogs behind the slot fields. (The control panel's own
// dispatcher section belongs to the panel.)
class DispatcherPage final : public QObject {
    Q_OBJECT
public:
    // "Спрятать главное окно" runs the operation "panel show" and hides the main window.
    DispatcherPage(SettingsWindow& window, DispatcherEngine& engine, Settings& settings,
                   Notifier& notifier, Operations& operations, QString initialFolder);

    void SCButton37Click();
    void SCButton50Click();
    void SCButton33Click();

private:
    void showSchedule();
    void chooseSlotFile(const QString& field, DialogSpec* dialog);
    void run(const std::function<void()>& body);

    SettingsWindow& m_window;
    DispatcherEngine& m_engine;
    Settings& m_settings;
    Notifier& m_notifier;
    Operations& m_operations;
    QString m_folder;
    QPlainTextEdit* m_memon1 = nullptr;
    DialogSpec* m_planDialog = nullptr;
};

}  // namespace velumo
