#include "slideshowpage.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "base/guard.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/translationfile.h"
#include "players/slides/slideshowcontrol.h"
#include "players/slides/slideshowplayer.h"
#include "ui/settingswindow.h"

namespace velumo {

const char SlideShowPage::kDialogFilters[] =
    "Презентации PowerPoint (*.ppt *.pps *.pptx *.ppsx *.odp *.fodp);;Все файлы (*)";

SlideShowPage::SlideShowPage(SettingsWindow& window, Notifier& notifier, Settings& settings,
                             SlideShowControl& control, SlideShowPlayer& player)
    : QObject(&window), m_window(window), m_notifier(notifier), m_settings(settings)
{
    auto button = [&](const char* group, const char* name, const QString& caption,
                      std::function<void()> click) {
        QPushButton* b = window.addButton(group, QString::fromLatin1(name), caption, caption);
        connectGuarded(b, &QPushButton::clicked, this,
                       Origin::byOperator(QStringLiteral("slideshowpage")),
                       [this, click] { guarded(m_notifier, click); });
    };
    button(groupid::SlidesTestRun, "SCButton17", QStringLiteral("Выбрать презентацию"), [this] {
        const QString file = QFileDialog::getOpenFileName(&m_window, QString(), QString(),
                                                          QString::fromUtf8(kDialogFilters));
        if (!file.isEmpty())
            m_settings.setText(key::SCEdit1, file);
    });
    button(groupid::SlidesTestRun, "SCButton18", QStringLiteral("Пробный запуск"),
           [&control] { control.SCButton18Click(); });
    QGroupBox* box = window.group(groupid::SlidesTestRun);
    m_summary = new QLabel(player.label133(), box);
    m_summary->setObjectName(QStringLiteral("Label133"));
    static_cast<QFormLayout*>(box->layout())->addRow(m_summary);
    window.addComponent(m_summary, ComponentClass::FixedLabel);
    connect(&player, &SlideShowPlayer::label133Changed, m_summary,
            &QLabel::setText);  // plain: Qt plumbing

    // While LibreOffice converts, the page says so and counts the seconds.
    m_progress = new QLabel(box);
    m_progress->setObjectName(QStringLiteral("LabelSlidesProgress"));
    static_cast<QFormLayout*>(box->layout())->addRow(m_progress);
    auto* tick = new QTimer(this);
    tick->setInterval(500);
    auto since = std::make_shared<QElapsedTimer>();
    auto file = std::make_shared<QString>();
    const auto showProgress = [this, since, file] {
        m_progress->setText(QStringLiteral("Преобразование презентации %1… %2 с")
                                .arg(*file)
                                .arg(since->elapsed() / 1000));
    };
    connectGuarded(tick, &QTimer::timeout, this,
                   Origin::unattended(QStringLiteral("slideshowpage")), showProgress);
    connectGuarded(&player, &SlideShowPlayer::convertingChanged, this,
                   Origin::unattended(QStringLiteral("slideshowpage")),
                   [this, tick, since, file, showProgress](bool converting, const QString& name) {
                       if (converting) {
                           *file = name;
                           since->start();
                           showProgress();
                           tick->start();
                       } else {
                           tick->stop();
                           m_progress->clear();
                       }
                   });

    button(groupid::DirectOutput, "SCButton16", QStringLiteral("Включить режим прямого вывода"),
           [&control] { control.SCButton16Click(); });
    button(groupid::DirectOutput, "SCButton19", QStringLiteral("Выключитьь режим прямого вывода"),
           [&control] { control.SCButton19Click(); });
}

}  // namespace velumo
