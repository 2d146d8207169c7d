#pragma once

#include <QObject>
#include <QString>
#include <array>

class QLabel;

namespace velumo {

class DialogSpec;
class IconSlots;
class Notifier;
class SettingsWindow;

// The thematic icon slots on the settings page: a file picker behind each slot's path field and
// a small preview beside it that follows the slot (its picture, or "AVI" for an animation).
class ThematicIcons final : public QObject {
    Q_OBJECT
public:
    ThematicIcons(SettingsWindow& window, IconSlots& iconSlots, Notifier& notifier,
                  QString initialFolder);
    ~ThematicIcons() override;

    static constexpr int kPreviewPx = 25;

    // The picker behind a slot's path field.
    void pickFile(int slot);
    DialogSpec* dialog() const { return m_dialog; }

private:
    struct Preview {
        QLabel* picture = nullptr;
        QLabel* animation = nullptr;
    };

    void buildPreviews();
    void showSlot(int slot);
    void showLoaded(int slot, bool ok);

    SettingsWindow& m_window;
    IconSlots& m_slots;
    Notifier& m_notifier;
    QString m_folder;
    DialogSpec* m_dialog = nullptr;
    std::array<Preview, 10> m_previews;
};

}  // namespace velumo
