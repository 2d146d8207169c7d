#include "dispatcherpage.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "dispatcher/dispatcherengine.h"
#include "dispatcher/slottable.h"
#include "panel/controlpanel.h"
#include "ui/clickfilter.h"
#include "ui/dialogspec.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

QLineEdit* mirrorField(QWidget* parent, const QString& name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

}  // namespace

DispatcherPage::DispatcherPage(SettingsWindow& window, ControlPanel& panel,
                               DispatcherEngine& engine, Settings& settings, Notifier& notifier,
                               QString initialFolder)
    : QObject(&window),
      m_window(window),
      m_panel(panel),
      m_engine(engine),
      m_settings(settings),
      m_notifier(notifier),
      m_folder(std::move(initialFolder))
{
    const QString page = QString::fromUtf8(kPage);
    const QString group = QStringLiteral("Диспетчер");
    QPushButton* start =
        window.addButton(page, group, QStringLiteral("SCButton43"), QStringLiteral("Старт "),
                         QStringLiteral("Запустить диспетчер"));
    QPushButton* stop =
        window.addButton(page, group, QStringLiteral("SCButton44"), QStringLiteral("Стоп "),
                         QStringLiteral("Стоп диспетчера"));
    QPushButton* hide = window.addButton(page, group, QStringLiteral("SCButton50"),
                                         QStringLiteral("Спрятать главное окно"),
                                         QStringLiteral("Спрятать главное окно"));
    QPushButton* info = window.addButton(page, group, QStringLiteral("SCButton33"),
                                         QStringLiteral("?"), QStringLiteral("ЦУП"));
    QPushButton* pick = window.addButton(page, QStringLiteral("Файл текущего расписания"),
                                         QStringLiteral("SCButton37"), QStringLiteral("…"),
                                         QStringLiteral("Выбрать файл диспетчера"));

    QGroupBox* scheduleBox = window.group(page, QStringLiteral("Текущее расписание"));
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
        ClickFilter::install(window.control(QString::fromLatin1(field)), [this, field, clipDialog] {
            chooseSlotFile(QString::fromLatin1(field), clipDialog);
        });
    for (const char* field : SlotTable::fields(SlotTable::Column::String))
        ClickFilter::install(window.control(QString::fromLatin1(field)),
                             [this, field, stringDialog] {
                                 chooseSlotFile(QString::fromLatin1(field), stringDialog);
                             });

    // The dispatcher's section of the control panel.
    QGroupBox* section = panel.section(QStringLiteral("GroupBox5"), QStringLiteral("ЦУП"));
    auto* rows = static_cast<QVBoxLayout*>(section->layout());
    m_panelLabel = new QLabel(QStringLiteral("Диспетчер запущен!"), section);
    m_panelLabel->setObjectName(QStringLiteral("Label1"));
    m_panelLabel->setToolTip(QStringLiteral("Диспетчер включен!"));
    m_panelLabel->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    m_panelLabel->hide();
    m_panelLine = mirrorField(section, QStringLiteral("SCEdit2"));
    m_panelStringStop = mirrorField(section, QStringLiteral("SCEdit3"));
    m_panelClipStop = mirrorField(section, QStringLiteral("SCEdit4"));
    auto* buttons = new QHBoxLayout();
    auto* panelStart = new QPushButton(QStringLiteral("Старт ЦУП"), section);
    panelStart->setObjectName(QStringLiteral("SCButton43"));
    panelStart->setToolTip(QStringLiteral("Запустить диспетчер"));
    auto* panelStop = new QPushButton(QStringLiteral("Стоп ЦУП"), section);
    panelStop->setObjectName(QStringLiteral("SCButton44"));
    panelStop->setToolTip(QStringLiteral("Стоп диспетчера"));
    buttons->addWidget(panelStart);
    buttons->addWidget(panelStop);
    buttons->addStretch(1);
    auto* stops = new QHBoxLayout();
    stops->addWidget(new QLabel(QStringLiteral("Стоп строки"), section));
    stops->addWidget(m_panelStringStop);
    stops->addWidget(new QLabel(QStringLiteral("Стоп клипа"), section));
    stops->addWidget(m_panelClipStop);
    rows->addWidget(m_panelLabel);
    rows->addWidget(m_panelLine);
    rows->addLayout(stops);
    rows->addLayout(buttons);

    connect(start, &QPushButton::clicked, this,
            [this] { run([this] { m_engine.SCButton43Click(); }); });
    connect(stop, &QPushButton::clicked, this,
            [this] { run([this] { m_engine.SCButton44Click(); }); });
    connect(panelStart, &QPushButton::clicked, this,
            [this] { run([this] { m_engine.panelStartClick(); }); });
    connect(panelStop, &QPushButton::clicked, this,
            [this] { run([this] { m_engine.SCButton44Click(); }); });
    connect(hide, &QPushButton::clicked, this, [this] { run([this] { SCButton50Click(); }); });
    connect(info, &QPushButton::clicked, this, [this] { run([this] { SCButton33Click(); }); });
    connect(pick, &QPushButton::clicked, this, [this] { run([this] { SCButton37Click(); }); });

    connect(&engine, &DispatcherEngine::scheduleChanged, this, &DispatcherPage::showSchedule);
    connect(&engine, &DispatcherEngine::panelLabelVisible, m_panelLabel, &QLabel::setVisible);
    connect(&engine, &DispatcherEngine::showPanelRequested, this, [this] {
        m_panel.showNormal();
        m_panel.show();
    });
    connect(&settings, &Settings::changed, this, &DispatcherPage::mirror);
    for (const char* name : {key::SCEdit10, key::SCEditn6, key::SCEditn3})
        mirror(QString::fromLatin1(name));
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

void DispatcherPage::mirror(const QString& name)
{
    QLineEdit* target = nullptr;
    if (name == QLatin1String(key::SCEdit10))
        target = m_panelLine;
    else if (name == QLatin1String(key::SCEditn6))
        target = m_panelStringStop;
    else if (name == QLatin1String(key::SCEditn3))
        target = m_panelClipStop;
    if (target)
        target->setText(m_settings.text(name));
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
    m_panel.showNormal();
    m_panel.show();
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
    QMetaObject::invokeMethod(
        this,
        [this, field, dialog] {
            run([&] {
                const QString current = m_settings.text(field);
                const QString folder =
                    current.isEmpty() ? m_folder : QFileInfo(current).absolutePath();
                const QString path = QFileDialog::getOpenFileName(&m_window, dialog->title, folder,
                                                                  dialog->qtFilter());
                if (!path.isEmpty())
                    m_settings.setText(field, path);
            });
        },
        Qt::QueuedConnection);
}

}  // namespace velumo
