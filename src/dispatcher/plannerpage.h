#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QDateEdit;
class QLineEdit;
class QPlainTextEdit;

namespace velumo {

class Clock;
class DialogSpec;
class Notifier;
class Planner;
class Settings;
class SettingsWindow;

// The page "ЦУП > Планировщик": the masked entry line (MaskEdit5), the list (Memo3), open,
// save, the help text (Memo4), the date prefill and the date replacement, and the plan check
// of the list.
class PlannerPage final : public QObject {
    Q_OBJECT
public:
    // The entry mask: "#" a digit or sign, "x" any character (letters and digits of any
    // alphabet), "_" shows unfilled positions, which count as blanks in the text.
    static constexpr char kEntryMask[] =
        "##.##.## ##:##:##|x#|x#|##.##.## ##:##:##|xxxxxxxxxxxxxxxxxxx;_";

    PlannerPage(SettingsWindow& window, Planner& planner, const Settings& settings,
                Notifier& notifier, const Clock& clock, QString programFolder);

    // The entry line as text: 61 characters, blanks for unfilled positions.
    QString entryText() const;
    void setEntryText(const QString& text);

    void BitBtn43Click();
    void BitBtn44Click();
    void SCButton53Click();
    void SCButton81Click();
    void DateTimePicker4CloseUp();
    void SCButton20Click();
    void checkList();

private:
    void showList();
    void run(const std::function<void()>& body);

    SettingsWindow& m_window;
    Planner& m_planner;
    const Settings& m_settings;
    Notifier& m_notifier;
    const Clock& m_clock;
    QString m_folder;
    QLineEdit* m_entry = nullptr;
    QPlainTextEdit* m_memo3 = nullptr;
    QPlainTextEdit* m_memo4 = nullptr;
    QPlainTextEdit* m_checkOutput = nullptr;
    QDateEdit* m_picker4 = nullptr;
    QDateEdit* m_picker1 = nullptr;
    QDateEdit* m_picker2 = nullptr;
    DialogSpec* m_openDialog = nullptr;
    DialogSpec* m_saveDialog = nullptr;
    bool m_showing = false;
};

}  // namespace velumo
