#pragma once

#include <QObject>

namespace velumo {

class ClipPlayer;
class ExternalPlayer;
class Settings;

// The player choice (PlayerChoice: 0 the internal player, 1 the external one, from the text of
// ComboBox2) and the test group of the "Видео клипы" page, which works on the chosen player.
class ClipControl final : public QObject {
    Q_OBJECT
public:
    ClipControl(Settings& settings, ClipPlayer& clip, ExternalPlayer& external,
                QObject* parent = nullptr);

    int PlayerChoice() const { return m_choice; }
    void setPlayerChoice(int choice) { m_choice = choice; }
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
    int m_choice = 0;
};

}  // namespace velumo
