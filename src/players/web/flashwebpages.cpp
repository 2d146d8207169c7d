#include "flashwebpages.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QUrl>

#include "base/guard.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "players/web/browserpanel.h"
#include "players/web/flashplayer.h"
#include "players/web/webplayer.h"
#include "ui/mainpagebar.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

// "Caption|*.ext;|Other|*.*" as the file dialog writes its filters.
QString dialogFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out.append(parts[i] + QStringLiteral(" (") + patterns.trimmed() + u')');
    }
    return out.join(QStringLiteral(";;"));
}

}  // namespace

FlashWebPages::FlashWebPages(SettingsWindow& window, Notifier& notifier, Settings& settings,
                             FlashPlayer& flash, WebPlayer& web)
    : QObject(&window), m_window(window), m_notifier(notifier), m_settings(settings)
{
    // A group's button, or with no group one of the main page's tool bar.
    auto button = [&](const char* group, const char* name, const QString& caption,
                      const QString& hint, std::function<void()> click) {
        QPushButton* b = nullptr;
        if (group) {
            b = window.addButton(group, QString::fromLatin1(name), caption, hint);
        } else {
            b = mainpagebar::addButton(window, QString::fromLatin1(name), caption, hint);
            window.addComponent(b, ComponentClass::Button);
        }
        connectGuarded(b, &QPushButton::clicked, this,
                       Origin::byOperator(QStringLiteral("flashwebpages")),
                       [this, click] { guarded(m_notifier, click); });
    };
    button(groupid::Flash, "SCButton87", QStringLiteral("Выбрать flash - ролик"),
           QStringLiteral("Выбрать flash - ролик"), [this] { SCButton87Click(); });
    button(groupid::Flash, "SCButton86", QStringLiteral("Воспроизвести"),
           QStringLiteral("Воспроизвести"), [&flash] { flash.SCButton86Click(); });
    button(groupid::Flash, "SCButton83", QStringLiteral("Стоп"), QStringLiteral("Стоп"),
           [&flash] { flash.SCButton83Click(); });
    button(nullptr, "SCButton88", QStringLiteral("Вывод flash"), QStringLiteral("Вывод flash"),
           [&flash] { flash.SCButton88Click(); });

    button(nullptr, "SCButton11", QStringLiteral("Подключить интернет ресурс"),
           QStringLiteral("Подключить интернет ресурс"), [&web] { web.SCButton11Click(); });
    button(groupid::Www, "SCButton64", QStringLiteral("Просмотр"), QStringLiteral("Просмотр"),
           [&web] { web.SCButton11Click(); });
    button(groupid::Www, "SCButton65", QStringLiteral("Закрыть сайт"),
           QStringLiteral("Закрыть сайт"), [&web] { web.SCButton65Click(); });
    button(groupid::Www, "SCButton15", QStringLiteral("Предварительный просмотр"),
           QStringLiteral("Предварительный просмотр"), [this] { SCButton15Click(); });
    button(groupid::WebAddresses, "SCButton80", QStringLiteral("Тест-Просмотр"),
           QStringLiteral("Тест-Просмотр"), [&web] { web.SCButton80Click(); });

    QGroupBox* box = window.group(groupid::Www);
    m_preview = new BrowserPanel(QStringLiteral("Wb2"), box);
    m_preview->setMinimumHeight(240);
    if (auto* form = qobject_cast<QFormLayout*>(box->layout()))
        form->addRow(m_preview);
}

void FlashWebPages::SCButton15Click()
{
    const QString address = m_settings.text(key::SCEdit36).trimmed();
    if (address.isEmpty())
        m_preview->cover();
    else
        m_preview->load(QUrl::fromUserInput(address));
}

void FlashWebPages::SCButton87Click()
{
    QFileDialog dialog(&m_window);
    dialog.setNameFilter(dialogFilter(QString::fromUtf8(FlashPlayer::kDialogFilter)));
    dialog.setDefaultSuffix(QString::fromLatin1(FlashPlayer::kDialogExtension));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_settings.setText(key::SCEdit99, dialog.selectedFiles().first());
}

}  // namespace velumo
