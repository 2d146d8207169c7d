#pragma once

#include <QObject>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace velumo {

class DialogSpec;
class Notifier;
class PlaybackLog;
class Settings;
class SettingsWindow;
class TickerEngine;

// The ticker's controls on the main window: the start button SCButton3 and the work indicator
// Label98 on the ticker text page, the playback log list MemoLog, the pickers behind SCEdit81
// (temporary colour), SCEdit103 (log folder) and SCEdit88 (log file), and the stop-place
// warning of SpinEdit16; and the tariff groups laid out as the table of modes, each with the
// digit that selects it.
class TickerSettingsUi final : public QObject {
    Q_OBJECT
public:
    TickerSettingsUi(SettingsWindow& window, Settings& settings, TickerEngine& engine,
                     PlaybackLog& log, Notifier& notifier);

    static constexpr char kStopPlaceMessage[] =
        "Заданное значение смещения точки стопа (см.тарифы строки) больше ширины окна строки";
    // The captions of the combined tariffs, under the four single ones.
    static constexpr const char* kCombinationCaptions[] = {
        "5 Стоп/Цвет- сочетание тарифов", "6 Стоп/Шрифт- сочетание тарифов",
        "7 Цвет/Тормоз- сочетание тарифов", "8 Цвет/Шрифт- сочетание тарифов",
        "9 Тормоз/Шрифт- сочетание тарифов"};

    QPushButton* startButton() const { return m_start; }
    QLabel* workLabel() const { return m_workLabel; }
    QPlainTextEdit* memoLog() const { return m_memoLog; }

    // SCCheckbox21 (and SCCheckbox25): the log list is visible while SCCheckbox21 is checked.
    void applyLogVisibility();
    // The stop place SpinEdit16 was changed by the operator.
    void SpinEdit16Change();
    void chooseTemporaryColour();
    void chooseLogFolder();
    void chooseLogFile();

private:
    void guard(const std::function<void()>& body);
    void showRecords();
    void arrangeTariffs();

    SettingsWindow& m_window;
    Settings& m_settings;
    TickerEngine& m_engine;
    PlaybackLog& m_log;
    Notifier& m_notifier;
    QPushButton* m_start = nullptr;
    QLabel* m_workLabel = nullptr;
    QPlainTextEdit* m_memoLog = nullptr;
    DialogSpec* m_logDialog = nullptr;
};

}  // namespace velumo
