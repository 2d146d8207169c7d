#include "rsspage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSpinBox>

#include "base/guard.h"
#include "base/pageschema.h"
#include "base/settingskeys.h"
#include "net/netactivityview.h"
#include "ticker/rssfeed.h"
#include "ui/mainpagebar.h"
#include "ui/settingswindow.h"

namespace velumo {

RssPage::RssPage(SettingsWindow& window, Notifier& notifier, RssFeed& feed) : QObject(&window)
{
    auto connectButton = [&](QPushButton* b, void (RssFeed::*click)()) {
        connectGuarded(b, &QPushButton::clicked, this,
                       Origin::byOperator(QStringLiteral("rsspage")),
                       [&notifier, &feed, click] { guarded(notifier, [&] { (feed.*click)(); }); });
    };
    // The feed's quick button stands on the main page's tool bar, the load on the page.
    const QString connect = QStringLiteral("Подключить RSS-канал");
    QPushButton* quick =
        mainpagebar::addButton(window, QStringLiteral("SCButton12"), connect, connect);
    window.addComponent(quick, ComponentClass::Button);
    connectButton(quick, &RssFeed::SCButton12Click);
    const QString load = QStringLiteral("Загрузить RSS-контент в строку");
    connectButton(window.addButton(groupid::Rss, QStringLiteral("SCButton82"), load, load),
                  &RssFeed::SCButton82Click);
    auto* view =
        new NetActivityView(*window.group(groupid::Rss), *window.footer(), QStringLiteral("Rss"));
    connectGuarded(&feed, &RssFeed::activityChanged, view,
                   Origin::unattended(QStringLiteral("rsspage")),
                   [view, &feed] { view->show(feed.activity()); });
    if (auto* box =
            qobject_cast<QCheckBox*>(window.control(QString::fromLatin1(key::SCCheckbox13))))
        connectGuarded(
            box, &QCheckBox::clicked, this, Origin::byOperator(QStringLiteral("rsspage")),
            [&notifier, &feed] { guarded(notifier, [&] { feed.SCCheckbox13Click(); }); });
    if (auto* spin = qobject_cast<QSpinBox*>(window.control(QString::fromLatin1(key::SpinEdit3))))
        connectGuarded(spin, &QSpinBox::valueChanged, this,
                       Origin::byOperator(QStringLiteral("rsspage")),
                       [&notifier, &feed] { guarded(notifier, [&] { feed.SpinEdit3Click(); }); });
}

}  // namespace velumo
