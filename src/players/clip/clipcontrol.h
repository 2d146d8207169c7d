#pragma once

#include <QObject>

namespace velumo {

class ClipPlayer;
class ClipPlayerChoice;
class ExternalPlayer;
class Settings;

// The test group of the "Видео клипы" page, which works on the chosen player, and ComboBox2's
// change handler, which sets the player choice (ClipPlayerChoice, owned elsewhere).
class ClipControl final : public QObject {
    Q_OBJECT
public:
    ClipControl(Settings& settings, ClipPlayer& clip, ExternalPlayer& external,
                ClipPlayerChoice& choice, QObject* parent = nullptr);

    int PlayerChoice() const;
    // The change handler of ComboBox2 (and of ComboBox5, which shares it).
    void ComboBox2Change();

    void SCButton27Click();  // "Загрузить видеоклип"
    void SCButton30Click();  // "Пауза"
    void SCButton31Click();  // "Поехали"
    void SCButton32Click();  // "Закрыть "
    void SCButton74Click();  // "С начала"

    static const char* const kDialogFilters;

private:
    Settings& m_settings;
    ClipPlayer& m_clip;
    ExternalPlayer& m_external;
    ClipPlayerChoice& m_choice;
};

}  // namespace velumo
