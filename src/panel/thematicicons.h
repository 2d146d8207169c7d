#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <array>

class QLabel;

namespace velumo {

class DialogSpec;
class EventLog;
class IconWindow;
class Notifier;
class PictureReader;
class Settings;
class SettingsWindow;

// The ten thematic icon slots of the settings page and their use by the ticker: each slot
// holds a picture or an AVI animation, chosen with a file picker behind its path field and
// shown beside it in a small preview; vibor puts a slot into the icon window beside the strip.
class ThematicIcons final : public QObject {
    Q_OBJECT
public:
    ThematicIcons(SettingsWindow& window, Settings& settings, IconWindow& icon, Notifier& notifier,
                  EventLog* log, QString initialFolder);
    ~ThematicIcons() override;

    static constexpr int kSlotCount = 10;
    // The index of a block without an icon.
    static constexpr int kNoIcon = 10;
    static constexpr int kPreviewPx = 25;

    // Start-up: every slot is classified and loaded from its path field, slot 0 to slot 9.
    void loadAll();
    // One slot from its path field: an ".avi" file becomes the slot's animation, anything
    // else is read as its picture, which arrives later (slotLoaded). A picture that cannot be
    // read is reported and the slot keeps its previous picture.
    void loadSlot(int slot);
    // The picker behind a slot's path field.
    void pickFile(int slot);
    // A file chosen for a slot: the path field takes it and the slot is loaded.
    void choose(int slot, const QString& path);

    // Shows the icon of a block: 0 to 9 a slot, 10 none (the window is hidden); any other
    // index changes nothing. Never fails: a failure (an animation file that cannot be opened)
    // leaves the window as it was and is only written to the event log.
    void vibor(int index);

    bool isPictureSlot(int slot) const { return m_slots.at(slot).pictureKind; }
    const QImage& slotPicture(int slot) const { return m_slots.at(slot).picture; }
    QString slotAnimation(int slot) const { return m_slots.at(slot).animationFile; }
    DialogSpec* dialog() const { return m_dialog; }
    PictureReader& reader() { return *m_reader; }

signals:
    // A slot's picture has been read (ok) or could not be read.
    void slotLoaded(int slot, bool ok);

private:
    struct Slot {
        QString field;
        QLabel* picturePreview = nullptr;
        QLabel* animationPreview = nullptr;
        bool pictureKind = true;
        QImage picture;
        QByteArray movie;
        QString animationFile;
        quint64 generation = 0;
    };

    void buildPreviews();
    void setKind(Slot& slot, bool picture);
    void viborUnguarded(int index);

    SettingsWindow& m_window;
    Settings& m_settings;
    IconWindow& m_icon;
    Notifier& m_notifier;
    EventLog* m_log;
    QString m_folder;
    DialogSpec* m_dialog = nullptr;
    PictureReader* m_reader = nullptr;
    std::array<Slot, kSlotCount> m_slots;
    QString m_lastViborError;
    int m_shownSlot = -1;  // the picture slot the icon window shows now
};

}  // namespace velumo
