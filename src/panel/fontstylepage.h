#pragma once

#include <QColor>
#include <QFont>
#include <QObject>

class QWidget;
class QPushButton;

namespace velumo {

class ClockTicker;
class Notifier;
class Settings;
class SettingsWindow;

// The lettering of the ticker on its settings page: the font, background and outline colour
// dialogs, the style number and name, the sample field that shows the ticker font on the
// ticker background, the temporary font of the special modes and the clock font size.
class FontStylePage final : public QObject {
    Q_OBJECT
public:
    FontStylePage(SettingsWindow& window, Settings& settings, Notifier& notifier,
                  ClockTicker& clock, QWidget* textList);

    static constexpr char kOutlineWarning[] =
        "Использование обводки сильно загружает процессор при обработке длинных строчек "
        "обьявлений!";

    // Start-up: the sample field takes the stored ticker font, colour and background, the
    // ticker text editor the face.
    void applyStoredFonts();

    // What the dialogs hand back on OK.
    void fontChosen(const QFont& font, const QColor& colour);
    void backgroundChosen(const QColor& colour);
    void outlineChosen(const QColor& colour);
    void temporaryFontChosen(const QFont& font);

    // SCEdit80 = SCEdit18 - SCEdit40 (on a change of SCEdit40, on leaving SCEdit40 or SCEdit80).
    void recomputeClockFont();

    QPushButton* fontButton() const { return m_fontButton; }
    QPushButton* backgroundButton() const { return m_backgroundButton; }
    QPushButton* outlineButton() const { return m_outlineButton; }

private:
    void showSample();
    void chooseFont();
    void chooseBackground();
    void chooseOutline();
    void chooseTemporaryFont();
    void guard(const std::function<void()>& body);

    SettingsWindow& m_window;
    Settings& m_settings;
    Notifier& m_notifier;
    ClockTicker& m_clock;
    QWidget* m_textList;
    QPushButton* m_fontButton = nullptr;
    QPushButton* m_backgroundButton = nullptr;
    QPushButton* m_outlineButton = nullptr;
};

}  // namespace velumo
