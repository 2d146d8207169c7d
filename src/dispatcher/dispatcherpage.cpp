#include "dispatcherpage.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "base/guard.h"
#include "base/notifier.h"
#include "base/operations.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/slottable.h"
#include "ui/clickfilter.h"
#include "ui/dialogspec.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

}  // namespace

DispatcherPage::DispatcherPage(SettingsWindow& window, DispatcherEngine& engine, Settings& settings,
                               Notifier& notifier, Operations& operations, QString initialFolder)
    : QObject(&window),
      m_window(window),
      m_engine(engine),
      m_settings(settings),
      m_notifier(notifier),
      m_operations(operations),
      m_folder(std::move(initialFolder))
{
    const char* group = groupid::Dispatcher;
    QPushButton* start =
        window.addButton(group, QStringLiteral("SCButton43"), QStringLiteral("Старт "),
                         QStringLiteral("Запустить диспетчер"));
    QPushButton* stop =
        window.addButton(group, QStringLiteral("SCButton44"), QStringLiteral("Стоп "),
                         QStringLiteral("Стоп диспетчера"));
    QPushButton* hide = window.addButton(group, QStringLiteral("SCButton50"),
                                         QStringLiteral("Спрятать главное окно"),
                                         QStringLiteral("Спрятать главное окно"));
    QPushButton* info = window.addButton(group, QStringLiteral("SCButton33"), QStringLiteral("?"),
                                         QStringLiteral("ЦУП"));
    QPushButton* pick =
        window.addButton(groupid::PlanFile, QStringLiteral("SCButton37"), QStringLiteral("…"),
                         QStringLiteral("Выбрать файл диспетчера"));

    QGroupBox* scheduleBox = window.group(groupid::Schedule);
    m_memon1 = new QPlainTextEdit(scheduleBox);
    m_memon1->setObjectName(QStringLiteral("Memon1"));
    m_memon1->setReadOnly(true);
    m_memon1->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memon1->setMinimumHeight(160);
    static_cast<QFormLayout*>(scheduleBox->layout())->addRow(m_memon1);
    window.addComponent(m_memon1, ComponentClass::Other);

    m_planDialog =
        new DialogSpec(QStringLiteral("OpenDialogn2"), QStringLiteral("План-файл (*.pln)|*.pln"),
                       QStringLiteral("Выбрать файл диспетчера"), this);
    m_planDialog->defaultSuffix = QStringLiteral("pln");
    auto* clipDialog = new DialogSpec(
        QStringLiteral("OpenDialogClipSlot"),
        QStringLiteral(
            "Клипы формата *.avi|*.avi|Flash|*.swf|PowerPoint презентации|*.ppt|DVD(MPG) "
            "файлы  *.vob|*.vob|Другие файлы|*.*|DVD(IFO) файлы сценария|*.ifo"),
        QStringLiteral("Файл клипа"), this);
    auto* stringDialog = new DialogSpec(
        QStringLiteral("OpenDialogStringSlot"),
        QStringLiteral("Строковые файлы (*.str)|*.str|Файлы титр (*.rtf)|*.rtf|Все|*.*"),
        QStringLiteral("Файл строки"), this);
    for (DialogSpec* dialog : {m_planDialog, clipDialog, stringDialog})
        window.addComponent(dialog, ComponentClass::Dialog);
    for (const char* field : SlotTable::fields(SlotTable::Column::Clip))
        ClickFilter::install(
            window.control(QString::fromLatin1(field)),
            Origin::byOperator(QStringLiteral("dispatcherpage")),
            [this, field, clipDialog] { chooseSlotFile(QString::fromLatin1(field), clipDialog); });
    for (const char* field : SlotTable::fields(SlotTable::Column::String))
        ClickFilter::install(window.control(QString::fromLatin1(field)),
                             Origin::byOperator(QStringLiteral("dispatcherpage")),
                             [this, field, stringDialog] {
                                 chooseSlotFile(QString::fromLatin1(field), stringDialog);
                             });

    connectGuarded(start, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("dispatcherpage")),
                   [this] { run([this] { m_engine.SCButton43Click(); }); });
    connectGuarded(stop, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("dispatcherpage")),
                   [this] { run([this] { m_engine.SCButton44Click(); }); });
    connectGuarded(hide, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("dispatcherpage")),
                   [this] { run([this] { SCButton50Click(); }); });
    connectGuarded(info, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("dispatcherpage")),
                   [this] { run([this] { SCButton33Click(); }); });
    connectGuarded(pick, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("dispatcherpage")),
                   [this] { run([this] { SCButton37Click(); }); });

    connectGuarded(&engine, &DispatcherEngine::scheduleChanged, this,
                   Origin::unattended(QStringLiteral("dispatcherpage")),
                   &DispatcherPage::showSchedule);
    showSchedule();
}

void DispatcherPage::run(const std::function<void()>& body)
{
    guarded(m_notifier, body);
}

void DispatcherPage::showSchedule()
{
    m_memon1->setPlainText(m_engine.Memon1().join(u'\n'));
}

void DispatcherPage::SCButton37Click()
{
    const QString path = QFileDialog::getOpenFileName(&m_window, m_planDialog->title, m_folder,
                                                      m_planDialog->qtFilter());
    if (path.isEmpty())
        return;
    m_engine.choosePlanFile(path);
}

void DispatcherPage::SCButton50Click()
{
    m_operations.run(QStringLiteral("panel show"));
    m_window.hide();
}

void DispatcherPage::SCButton33Click()
{
    m_notifier.message(QStringLiteral(
        "ЦУП= центр управления прокатом, содержит модули для автоматизации вывода информации."));
}

void DispatcherPage::chooseSlotFile(const QString& field, DialogSpec* dialog)
{
    // Opened after the click has been delivered, not from inside the event filter.
    postGuarded(this, Origin::byOperator(QStringLiteral("dispatcherpage")), [this, field, dialog] {
        run([&] {
            const QString current = m_settings.text(field);
            const QString folder = current.isEmpty() ? m_folder : QFileInfo(current).absolutePath();
            const QString path =
                QFileDialog::getOpenFileName(&m_window, dialog->title, folder, dialog->qtFilter());
            if (!path.isEmpty())
                m_settings.setText(field, path);
        });
    });
}

}  // namespace velumo
