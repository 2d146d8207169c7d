#include "clipspage.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "base/guard.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/translationfile.h"
#include "players/capture/captureplayer.h"
#include "players/clip/clipcontrol.h"
#include "players/clip/externalplayer.h"
#include "players/clip/windowtitles.h"
#include "ui/settingswindow.h"

namespace velumo {

ClipsPage::ClipsPage(SettingsWindow& window, Notifier& notifier, Settings& settings,
                     ClipControl& clips, ExternalPlayer& external, CapturePlayer& capture)
    : QObject(&window),
      m_window(window),
      m_notifier(notifier),
      m_settings(settings),
      m_capture(capture)
{
    auto button = [&](const char* group, const char* name, const QString& caption,
                      std::function<void()> click) {
        QPushButton* b = window.addButton(group, QString::fromLatin1(name), caption, caption);
        connectGuarded(b, &QPushButton::clicked, this,
                       Origin::byOperator(QStringLiteral("clipspage")),
                       [this, click] { guarded(m_notifier, click); });
    };
    button(groupid::ClipsTestRun, "SCButton25", QStringLiteral("Выбрать видеоклип"), [this] {
        const QString file = QFileDialog::getOpenFileName(
            &m_window, QString(), QString(), QString::fromUtf8(ClipControl::kDialogFilters));
        if (!file.isEmpty())
            m_settings.setText(key::SCEdit2, file);
    });
    button(groupid::ClipsTestRun, "SCButton27", QStringLiteral("Загрузить видеоклип"),
           [&clips] { clips.SCButton27Click(); });
    button(groupid::ClipsTestRun, "SCButton30", QStringLiteral("Пауза"),
           [&clips] { clips.SCButton30Click(); });
    button(groupid::ClipsTestRun, "SCButton31", QStringLiteral("Поехали"),
           [&clips] { clips.SCButton31Click(); });
    button(groupid::ClipsTestRun, "SCButton32", QStringLiteral("Закрыть "),
           [&clips] { clips.SCButton32Click(); });
    button(groupid::ClipsTestRun, "SCButton74", QStringLiteral("С начала"),
           [&clips] { clips.SCButton74Click(); });
    QGroupBox* box = window.group(groupid::ClipsTestRun);
    m_played = new QLabel(external.playedLabel(), box);
    m_played->setObjectName(QStringLiteral("Label202"));
    static_cast<QFormLayout*>(box->layout())->addRow(m_played);
    window.addComponent(m_played, ComponentClass::FixedLabel);
    connect(&external, &ExternalPlayer::playedLabelChanged, m_played,
            &QLabel::setText);  // plain: Qt plumbing

    // A click on the player's path field chooses the program.
    m_playerPath = window.control(QString::fromLatin1(key::SCEdit9));
    watchField(m_playerPath);

    // The window list is refilled each time it drops down.
    m_windows = qobject_cast<QComboBox*>(window.control(QString::fromLatin1(key::ComboBox4)));
    watchField(m_windows);

    button(groupid::Broadcast, "SCButton75", QStringLiteral("Добавить все у-ва в список"),
           [this] { fillDevices(); });
    button(groupid::Broadcast, "SCButton63", QStringLiteral("Старт трансляции"),
           [this] { m_capture.SCButton63Click(); });
    button(groupid::Broadcast, "SCButton26", QStringLiteral("Стоп видеотрансляции"),
           [this] { m_capture.SCButton26Click(); });
    m_devices = qobject_cast<QComboBox*>(window.control(QString::fromLatin1(key::ComboBox3)));
    watchField(m_devices);
}

void ClipsPage::fillDevices()
{
    const QStringList devices = m_capture.SCButton75Click();
    if (!m_devices)
        return;
    const QSignalBlocker quiet(m_devices);
    m_devices->clear();
    m_devices->addItems(devices);
    if (!devices.isEmpty())
        m_devices->setCurrentText(devices.last());
}

void ClipsPage::watchField(QObject* field)
{
    filterEventsGuarded(field, Origin::byOperator(QStringLiteral("clipspage")),
                        [this, field](QEvent* event) { return fieldEvent(field, event); });
}

bool ClipsPage::fieldEvent(QObject* watched, QEvent* event)
{
    if (watched == m_windows && m_windows &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
        guarded(m_notifier, [this] {
            const QString text = m_windows->currentText();
            const QSignalBlocker quiet(m_windows);
            m_windows->clear();
            m_windows->addItems(topLevelWindowTitles());
            m_windows->setCurrentText(text);
        });
    } else if (watched == m_playerPath && event->type() == QEvent::MouseButtonPress) {
        guarded(m_notifier, [this] {
            const QString file = QFileDialog::getOpenFileName(
                &m_window, QString(), QString(),
                QStringLiteral("BSplayer.exe (BSplayer.exe);;Все файлы (*)"));
            if (!file.isEmpty())
                m_settings.setText(key::SCEdit9, file);
        });
        return true;
    } else if (watched == m_devices && m_devices && event->type() == QEvent::FocusOut) {
        guarded(m_notifier,
                [this] { m_settings.setText(key::SCEdit100, m_devices->currentText()); });
    }
    return false;
}

}  // namespace velumo
