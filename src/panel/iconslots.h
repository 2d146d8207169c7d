#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>
#include <array>

namespace velumo {

class EventLog;
class IconView;
class Notifier;
class PictureSource;
class Settings;

// The ten thematic icon slots and their use by the ticker: each slot holds a picture or an AVI
// animation named by its path field; vibor puts a slot into the icon window beside the strip.
class IconSlots final : public QObject {
    Q_OBJECT
public:
    IconSlots(Settings& settings, IconView& view, PictureSource& pictures, Notifier& notifier,
              EventLog* log, QObject* parent = nullptr);
    ~IconSlots() override;

    static constexpr int kSlotCount = 10;
    // The index of a block without an icon.
    static constexpr int kNoIcon = 10;

    // Start-up: every slot is classified and loaded from its path field, slot 0 to slot 9.
    void loadAll();
    // One slot from its path field: an ".avi" file becomes the slot's animation, anything
    // else is read as its picture, which arrives later (slotLoaded). A picture that cannot be
    // read is reported and the slot keeps its previous picture.
    void loadSlot(int slot);
    // A file chosen for a slot: the path field takes it and the slot is loaded.
    void choose(int slot, const QString& path);

    // Shows the icon of a block: 0 to 9 a slot, 10 none (the window is hidden); any other
    // index changes nothing. Never fails: a failure (an animation file that cannot be opened)
    // leaves the window as it was and is only written to the event log.
    void vibor(int index);
    // The window could not play an animation: written to the event log.
    void animationFailed(const QString& error);

    bool isPictureSlot(int slot) const { return m_slots.at(slot).pictureKind; }
    const QImage& slotPicture(int slot) const { return m_slots.at(slot).picture; }
    QString slotAnimation(int slot) const { return m_slots.at(slot).animationFile; }

signals:
    // A slot's kind or file changed (its picture, when it is one, follows with slotLoaded).
    void slotChanged(int slot);
    // A slot's picture has been read (ok) or could not be read.
    void slotLoaded(int slot, bool ok);

private:
    struct Slot {
        QString field;
        bool pictureKind = true;
        QImage picture;
        QByteArray movie;
        QString animationFile;
        quint64 generation = 0;
    };

    void viborUnguarded(int index);

    Settings& m_settings;
    IconView& m_view;
    PictureSource& m_pictures;
    Notifier& m_notifier;
    EventLog* m_log;
    std::array<Slot, kSlotCount> m_slots;
    QString m_lastViborError;
    int m_shownSlot = -1;  // the picture slot the icon window shows now
};

}  // namespace velumo
