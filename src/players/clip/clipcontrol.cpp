#include "clipcontrol.h"

#include "base/guard.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "players/clip/clipplayer.h"
#include "players/clip/clipplayerchoice.h"
#include "players/clip/externalplayer.h"

namespace velumo {

const char* const ClipControl::kDialogFilters =
    "Видео клипы (*.avi);;DVD (MPG) файлы(*.vob);;Все файлы(*.*);;DVD (IFO) (*.ifo)";

ClipControl::ClipControl(Settings& settings, ClipPlayer& clip, ExternalPlayer& external,
                         ClipPlayerChoice& choice, QObject* parent)
    : QObject(parent), m_settings(settings), m_clip(clip), m_external(external), m_choice(choice)
{
    ComboBox2Change();
    connectGuarded(
        &settings, &Settings::changed, this, Origin::byOperator(QStringLiteral("clipcontrol")),
        [this](const QString& name) {
            if (name == QLatin1String(key::ComboBox2) || name == QLatin1String(key::ComboBox5))
                ComboBox2Change();
        });
}

int ClipControl::PlayerChoice() const
{
    return m_choice.value();
}

void ClipControl::ComboBox2Change()
{
    m_choice.fromComboText(m_settings.text(key::ComboBox2));
}

void ClipControl::SCButton27Click()
{
    if (m_choice.value() == 0)
        m_clip.testLoad();
    else
        m_external.testLoad();
}

void ClipControl::SCButton30Click()
{
    if (m_choice.value() == 0)
        m_clip.pauseClip();
    else
        m_external.pause();
}

void ClipControl::SCButton31Click()
{
    if (m_choice.value() == 0)
        m_clip.playClip();
    else
        m_external.play();
}

void ClipControl::SCButton32Click()
{
    if (m_choice.value() == 0)
        m_clip.stop();
    else
        m_external.close();
}

void ClipControl::SCButton74Click()
{
    if (m_choice.value() == 0)
        m_clip.restartClip();
    else
        m_external.openFile(m_settings.text(key::SCEdit2));
}

}  // namespace velumo
