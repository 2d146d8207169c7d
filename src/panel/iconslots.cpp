#include "iconslots.h"

#include <QDir>

#include "base/eventlog.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "panel/iconkind.h"
#include "panel/iconview.h"
#include "panel/picturesource.h"

namespace velumo {

IconSlots::IconSlots(Settings& settings, IconView& view, PictureSource& pictures,
                     Notifier& notifier, EventLog* log, QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_view(view),
      m_pictures(pictures),
      m_notifier(notifier),
      m_log(log)
{
    for (int i = 0; i < kSlotCount; ++i)
        m_slots[i].field = QString::fromLatin1(kIconSlotKeys[i]);
}

IconSlots::~IconSlots() = default;

void IconSlots::loadAll()
{
    for (int i = 0; i < kSlotCount; ++i)
        loadSlot(i);
}

void IconSlots::loadSlot(int index)
{
    Slot& slot = m_slots.at(index);
    const QString path = m_settings.text(slot.field);
    const quint64 generation = ++slot.generation;
    if (isAnimationPath(path)) {
        slot.pictureKind = false;
        slot.animationFile = path;
        emit slotChanged(index);
        return;
    }
    slot.pictureKind = true;
    // A slot never set (a blank) has no picture to read.
    if (path.trimmed().isEmpty()) {
        slot.picture = QImage();
        slot.movie.clear();
        emit slotChanged(index);
        return;
    }
    emit slotChanged(index);
    m_pictures.read(
        path,
        [this, index, generation](const Picture& picture) {
            Slot& s = m_slots[index];
            if (s.generation != generation)
                return;  // a later choice replaced this one
            s.picture = picture.image;
            s.movie = picture.movie;
            // Pictures load in the background: one that arrives after the ticker asked for it
            // is shown at once.
            if (index == m_shownSlot && s.pictureKind && m_view.iconShown())
                m_view.showPicture(s.picture, s.movie);
            emit slotLoaded(index, true);
        },
        [this, index, generation](const QString& error) {
            if (m_slots[index].generation != generation)
                return;
            m_notifier.message(error);
            emit slotLoaded(index, false);
        });
}

void IconSlots::choose(int slot, const QString& path)
{
    m_settings.setText(m_slots.at(slot).field, QDir::toNativeSeparators(path));
    loadSlot(slot);
}

void IconSlots::vibor(int index)
{
    // The ticker goes on whatever happens here: a failure is only written to the event log,
    // once until a different one occurs.
    try {
        viborUnguarded(index);
        return;
    } catch (...) {
        const QString error = currentExceptionText();
        if (error != m_lastViborError && m_log)
            m_log->write(QStringLiteral("ticker"), error);
        m_lastViborError = error;
    }
}

void IconSlots::animationFailed(const QString& error)
{
    if (m_log)
        m_log->write(QStringLiteral("ticker"), error);
}

void IconSlots::viborUnguarded(int index)
{
    if (index == kNoIcon) {
        m_shownSlot = -1;
        m_view.hideContent();
        m_view.hideIcon();
        return;
    }
    if (index < 0 || index >= kSlotCount)
        return;
    const Slot& slot = m_slots[index];
    m_view.showIcon();
    m_shownSlot = slot.pictureKind ? index : -1;
    if (slot.pictureKind)
        m_view.showPicture(slot.picture, slot.movie);
    else
        m_view.playAnimation(slot.animationFile);
}

}  // namespace velumo
