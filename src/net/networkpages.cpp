#include "networkpages.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>

#include "base/guard.h"
#include "base/operations.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "net/dialup.h"
#include "net/ftpexchange.h"
#include "net/netactivityview.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

void fill(QListWidget* list, const QStringList& lines)
{
    list->setUpdatesEnabled(false);
    list->clear();
    list->addItems(lines);
    list->setUpdatesEnabled(true);
}

}  // namespace

NetworkPages::NetworkPages(SettingsWindow& window, Settings& settings, Notifier& notifier,
                           Operations& operations, FtpExchange& exchange, DialUp& dialUp)
    : QObject(&window),
      m_window(window),
      m_settings(settings),
      m_notifier(notifier),
      m_operations(operations),
      m_exchange(exchange),
      m_dialUp(dialUp)
{
    build();
}

void NetworkPages::connectButton(const char* group, const char* name, const QString& caption,
                                 const QString& hint, std::function<void()> action)
{
    QPushButton* button = m_window.addButton(group, QString::fromLatin1(name), caption, hint);
    connectGuarded(button, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("networkpages")),
                   [this, action] { guarded(m_notifier, action); });
}

void NetworkPages::connectBox(const char* name, std::function<void()> action)
{
    if (auto* box = qobject_cast<QCheckBox*>(m_window.control(QString::fromLatin1(name))))
        connectGuarded(box, &QCheckBox::clicked, this,
                       Origin::byOperator(QStringLiteral("networkpages")),
                       [this, action] { guarded(m_notifier, action); });
}

void NetworkPages::build()
{
    const QString connectText = QStringLiteral("Соединиться");
    const QString disconnectText = QStringLiteral("Отсоединиться");
    const QString saveText = QStringLiteral("Перезаписать  файл конфигурации");
    auto save = [this] { m_operations.run(QStringLiteral("save")); };

    // Receive.
    connectButton(groupid::Receive, "SCButton57", connectText, connectText,
                  [this] { m_exchange.SCButton57Click(); });
    connectButton(groupid::Receive, "SCButton58", disconnectText, disconnectText,
                  [this] { m_exchange.SCButton58Click(); });
    connectButton(groupid::Receive, "SCButton61", QStringLiteral("Скачать файлы с ресурса"),
                  QStringLiteral("Скачать файлы с ресурса"),
                  [this] { m_exchange.SCButton61Click(); });
    connectButton(groupid::Receive, "SCButton79", QStringLiteral("Папка…"),
                  QStringLiteral("Выбрать папку "), [this] { chooseFolder(); });
    connectButton(groupid::Receive, "SCButton66", QStringLiteral("Справка"),
                  QStringLiteral("Справка"), [this] { m_exchange.SCButton66Click(); });
    connectButton(groupid::Receive, "SCButton24", saveText, saveText, save);
    // What a run is doing stands under the buttons that start it.
    m_activity[FtpExchange::Receive] = new NetActivityView(
        *m_window.group(groupid::Receive), *m_window.footer(), QStringLiteral("FtpReceive"));
    {
        QGroupBox* box = m_window.group(groupid::ReceivedFiles);
        m_lbList = new QListWidget(box);
        m_lbList->setObjectName(QStringLiteral("lbList"));
        m_lbList->setUniformItemSizes(true);
        static_cast<QFormLayout*>(box->layout())->addRow(m_lbList);
        m_window.addComponent(m_lbList, ComponentClass::Other);
        connectGuarded(&m_exchange, &FtpExchange::lbListChanged, this,
                       Origin::unattended(QStringLiteral("networkpages")),
                       [this] { fill(m_lbList, m_exchange.lbList()); });
    }

    // Transmit.
    connectButton(groupid::Transmit, "SCButton59", connectText, connectText,
                  [this] { m_exchange.SCButton59Click(); });
    connectButton(groupid::Transmit, "SCButton60", disconnectText, disconnectText,
                  [this] { m_exchange.SCButton60Click(); });
    connectButton(groupid::Transmit, "SCButton62", QStringLiteral("Закачать файлы на ресурс"),
                  QStringLiteral("Закачать файлы на ресурс"),
                  [this] { m_exchange.SCButton62Click(); });
    connectButton(groupid::Transmit, "SCButton106", QStringLiteral("Файл…"),
                  QStringLiteral("Выбрать файл для закачки"), [this] { chooseUpload(); });
    connectButton(groupid::Transmit, "SCButton108", QStringLiteral("Справка"),
                  QStringLiteral("Справка"), [this] { m_exchange.SCButton66Click(); });
    connectButton(groupid::Transmit, "SCButton107", saveText, saveText, save);
    m_activity[FtpExchange::Transmit] = new NetActivityView(
        *m_window.group(groupid::Transmit), *m_window.footer(), QStringLiteral("FtpTransmit"));
    {
        QGroupBox* box = m_window.group(groupid::UploadList);
        m_lbList2 = new QListWidget(box);
        m_lbList2->setObjectName(QStringLiteral("LBlist2"));
        static_cast<QFormLayout*>(box->layout())->addRow(m_lbList2);
        m_window.addComponent(m_lbList2, ComponentClass::Other);
        connectGuarded(&m_exchange, &FtpExchange::LBlist2Changed, this,
                       Origin::unattended(QStringLiteral("networkpages")),
                       [this] { fill(m_lbList2, m_exchange.LBlist2()); });
    }

    connectGuarded(&m_exchange, &FtpExchange::activityChanged, this,
                   Origin::unattended(QStringLiteral("networkpages")), [this](int side) {
                       m_activity[side]->show(m_exchange.activity(FtpExchange::Side(side)));
                   });

    // Dial-up, one group on each sub-page.
    const char* groups[2] = {groupid::ReceiveConnection, groupid::TransmitConnection};
    const char* lists[2] = {"ListBox2", "ListBox3"};
    const char* selected[2] = {key::SCEdit86, key::SCEdit95};
    const char* buttons[2][3] = {{"SCButton68", "SCButton69", "SCButton70"},
                                 {"SCButton71", "SCButton72", "SCButton73"}};
    for (int side : {DialUp::In, DialUp::Out}) {
        const auto dialSide = DialUp::Side(side);
        connectButton(groups[side], buttons[side][0], QStringLiteral("Список"),
                      QStringLiteral("Выбрать соединение"),
                      [this, dialSide] { m_dialUp.SelectConnections(dialSide); });
        connectButton(groups[side], buttons[side][1], connectText, connectText,
                      [this, side, selected] {
                          m_dialUp.ConnectURL(m_settings.text(QString::fromLatin1(selected[side])));
                      });
        connectButton(groups[side], buttons[side][2], disconnectText, disconnectText,
                      [this] { m_dialUp.DisconnectURL(); });
        QGroupBox* box = m_window.group(groups[side]);
        auto* form = static_cast<QFormLayout*>(box->layout());
        auto* list = new QListWidget(box);
        list->setObjectName(QString::fromLatin1(lists[side]));
        list->setMaximumHeight(90);
        form->addRow(QStringLiteral("Список соеденений"), list);
        m_window.addComponent(list, ComponentClass::Other);
        m_listBox[side] = list;
        connectGuarded(list, &QListWidget::itemClicked, this,
                       Origin::byOperator(QStringLiteral("networkpages")),
                       [this, side, selected](QListWidgetItem* item) {
                           guarded(m_notifier, [&] {
                               m_settings.setText(QString::fromLatin1(selected[side]),
                                                  item->text());
                           });
                       });
        // The main window's status label; the transmit page shows the same text.
        auto* status = new QLabel(box);
        status->setObjectName(side == DialUp::In ? QStringLiteral("Label1")
                                                 : QStringLiteral("Label1_2"));
        form->addRow(status);
        m_status[side] = status;
    }
    connectGuarded(&m_dialUp, &DialUp::entriesChanged, this,
                   Origin::unattended(QStringLiteral("networkpages")), [this](int side) {
                       fill(m_listBox[side], m_dialUp.entries(DialUp::Side(side)));
                   });
    connectGuarded(&m_dialUp, &DialUp::statusChanged, this,
                   Origin::unattended(QStringLiteral("networkpages")), [this](const QString& text) {
                       for (QLabel* label : m_status) {
                           label->setText(text);
                           label->repaint();
                       }
                   });

    // Automatic runs.
    connectBox(key::SCCheckbox15, [this] { m_exchange.SCCheckbox15Click(); });
    connectBox(key::SCCheckbox17, [this] { m_exchange.SCCheckbox17Click(); });
}

void NetworkPages::chooseFolder()
{
    const QString folder = QFileDialog::getExistingDirectory(
        &m_window, QStringLiteral("Выбрать папку для копирования."), m_exchange.localFolder());
    if (!folder.isEmpty())
        m_settings.setText(key::SCEdit84, folder);
}

void NetworkPages::chooseUpload()
{
    const QString path = QFileDialog::getOpenFileName(&m_window);
    if (!path.isEmpty())
        m_exchange.addUpload(path);
}

}  // namespace velumo
