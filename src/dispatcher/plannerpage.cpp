#include "plannerpage.h"

#include <QDateEdit>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "base/clock.h"
#include "base/guard.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/textfile.h"
#include "dispatcher/plancheck.h"
#include "dispatcher/planner.h"
#include "ui/dialogspec.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

const QString kHelpText = QStringLiteral(
    "Как составить план-файл (сценарий диспетчера)\n"
    "\n"
    "Каждая строка плана — одна запись фиксированного вида, например:\n"
    "13.10.10 12:10:30|s1|00|13.10.10 13:50:30\n"
    "Здесь 13.10.10 12:10:30 — старт 13 октября 2010 года в 12:10:30; s1 — файл строки из слота "
    "1;\n"
    "00 — режим остановки; 13.10.10 13:50:30 — окончание в 13:50:30 того же дня.\n"
    "Все числа дат и времени пишутся двумя цифрами (01, 09), иначе поля съезжают.\n"
    "\n"
    "Буква после старта — вид содержимого, цифра за ней — номер слота (0-9):\n"
    "  s — бегущая строка (файл строки слота)\n"
    "  k — видеоклип во встроенном плеере\n"
    "  b — видеоклип во внешнем плеере BSPlayer\n"
    "  p — презентация PowerPoint\n"
    "  f — Flash-ролик\n"
    "  w — веб-страница (адрес для диспетчера)\n"
    "  t — трансляция с устройства видеозахвата\n"
    "\n"
    "Режим остановки: \"z\" на его месте оставляет клип загруженным (парковка) — следующий старт\n"
    "покажет его снова без повторной загрузки; \"q\" выгружает припаркованный клип после его\n"
    "показа; \"0\" — обычная остановка.\n"
    "\n"
    "Записи идут по возрастанию времени старта. На переключение оставляйте не меньше 0,2 с:\n"
    "старт записи не раньше стопа предыдущей плюс 0,2 с.\n"
    "\n"
    "Имя файла в конце строки (после \"|\") не обрабатывается — это любой комментарий.");

QDateEdit* makePicker(QWidget* parent, const QString& name, const QDate& date)
{
    auto* picker = new QDateEdit(date, parent);
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return picker;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QString& hint)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    return button;
}

}  // namespace

PlannerPage::PlannerPage(SettingsWindow& window, Planner& planner, const Settings& settings,
                         Notifier& notifier, const Clock& clock, QString programFolder)
    : QObject(&window),
      m_window(window),
      m_planner(planner),
      m_settings(settings),
      m_notifier(notifier),
      m_clock(clock),
      m_folder(std::move(programFolder))
{
    const QDate today = clock.now().date();
    QGroupBox* box = window.group(groupid::Planner);
    auto* form = static_cast<QFormLayout*>(box->layout());

    m_entry = new QLineEdit(box);
    m_entry->setObjectName(QStringLiteral("MaskEdit5"));
    m_entry->setInputMask(QString::fromUtf8(kEntryMask));
    m_entry->setFont(QFont(QStringLiteral("Monospace")));
    setEntryText(Planner::startupSample(today));
    form->addRow(m_entry);

    auto* row = new QHBoxLayout();
    m_picker4 = makePicker(box, QStringLiteral("DateTimePicker4"), today);
    auto* add = makeButton(box, QStringLiteral("SCButton54"), QStringLiteral("Добавить в список"),
                           QStringLiteral("Добавить в список"));
    auto* open = makeButton(box, QStringLiteral("SCButton52"), QStringLiteral("Открыть"),
                            QStringLiteral("Открыть файл плей-листа"));
    auto* save = makeButton(box, QStringLiteral("SCButton53"), QStringLiteral("Сохранить"),
                            QStringLiteral("Сохранить файл плей-листа"));
    auto* help = makeButton(box, QStringLiteral("SCButton81"), QStringLiteral("Справка"),
                            QStringLiteral("Справка по составлению сценария"));
    auto* check = makeButton(box, QStringLiteral("SCButtonPlanCheck"), QStringLiteral("Проверить"),
                             QStringLiteral("Проверить список на сегодняшний момент"));
    // The date and what is done with it on one row, the file and check buttons on the next.
    row->addWidget(new QLabel(QStringLiteral("Использовать"), box));
    row->addWidget(m_picker4);
    row->addWidget(add);
    row->addStretch(1);
    form->addRow(row);
    auto* fileRow = new QHBoxLayout();
    for (QPushButton* button : {open, save, help, check})
        fileRow->addWidget(button);
    fileRow->addStretch(1);
    form->addRow(fileRow);

    // The help text lies over the list.
    auto* lists = new QGridLayout();
    m_memo3 = new QPlainTextEdit(box);
    m_memo3->setObjectName(QStringLiteral("Memo3"));
    m_memo3->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo3->setMinimumHeight(240);
    m_memo4 = new QPlainTextEdit(kHelpText, box);
    m_memo4->setObjectName(QStringLiteral("Memo4"));
    m_memo4->setReadOnly(true);
    m_memo4->hide();
    lists->addWidget(m_memo3, 0, 0);
    lists->addWidget(m_memo4, 0, 0);
    form->addRow(lists);

    QGroupBox* dates = window.group(groupid::PlannerDates);
    auto* datesRow = new QHBoxLayout();
    m_picker1 = makePicker(dates, QStringLiteral("DateTimePicker1"), today);
    m_picker2 = makePicker(dates, QStringLiteral("DateTimePicker2"), today);
    auto* replace =
        makeButton(dates, QStringLiteral("SCButton20"), QStringLiteral("Заменить"), QString());
    datesRow->addWidget(new QLabel(QStringLiteral("С"), dates));
    datesRow->addWidget(m_picker1);
    datesRow->addWidget(new QLabel(QStringLiteral("на"), dates));
    datesRow->addWidget(m_picker2);
    datesRow->addWidget(replace);
    datesRow->addStretch(1);
    static_cast<QFormLayout*>(dates->layout())->addRow(datesRow);

    QGroupBox* checkBox = window.group(groupid::PlanCheck);
    m_checkOutput = new QPlainTextEdit(checkBox);
    m_checkOutput->setObjectName(QStringLiteral("MemoPlanCheck"));
    m_checkOutput->setReadOnly(true);
    m_checkOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_checkOutput->setMinimumHeight(120);
    static_cast<QFormLayout*>(checkBox->layout())->addRow(m_checkOutput);

    m_openDialog = new DialogSpec(QStringLiteral("OpenDialogn2Planner"),
                                  QStringLiteral("План-файл (*.pln)|*.pln"),
                                  QStringLiteral("Открыть файл плей-листа"), this);
    m_saveDialog = new DialogSpec(QStringLiteral("SaveDialog3"),
                                  QStringLiteral("Файлы диспетчера(*.pln)|*.pln"),
                                  QStringLiteral("Сохранить файл плей-листа"), this);
    m_saveDialog->defaultSuffix = QStringLiteral("pln");
    for (QObject* component : std::initializer_list<QObject*>{m_entry, add, open, save, help, check,
                                                              m_memo3, m_memo4, replace})
        window.addComponent(component, qobject_cast<QPushButton*>(component)
                                           ? ComponentClass::Button
                                           : ComponentClass::Other);
    window.addComponent(m_openDialog, ComponentClass::Dialog);
    window.addComponent(m_saveDialog, ComponentClass::Dialog);

    connectGuarded(add, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("plannerpage")),
                   [this] { run([this] { BitBtn43Click(); }); });
    connectGuarded(open, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("plannerpage")),
                   [this] { run([this] { BitBtn44Click(); }); });
    connectGuarded(save, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("plannerpage")),
                   [this] { run([this] { SCButton53Click(); }); });
    connectGuarded(help, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("plannerpage")),
                   [this] { run([this] { SCButton81Click(); }); });
    connectGuarded(check, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("plannerpage")),
                   [this] { run([this] { checkList(); }); });
    connectGuarded(replace, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("plannerpage")),
                   [this] { run([this] { SCButton20Click(); }); });
    connectGuarded(m_picker4, &QDateEdit::userDateChanged, this,
                   Origin::byOperator(QStringLiteral("plannerpage")),
                   [this] { run([this] { DateTimePicker4CloseUp(); }); });
    connectGuarded(m_memo3, &QPlainTextEdit::textChanged, this,
                   Origin::byOperator(QStringLiteral("plannerpage")), [this] {
                       if (m_showing)
                           return;
                       const QString text = m_memo3->toPlainText();
                       m_showing = true;
                       m_planner.setMemo3(text.isEmpty() ? QStringList() : splitLines(text));
                       m_showing = false;
                   });
    connectGuarded(&m_planner, &Planner::changed, this,
                   Origin::unattended(QStringLiteral("plannerpage")), &PlannerPage::showList);
    showList();
}

void PlannerPage::run(const std::function<void()>& body)
{
    guarded(m_notifier, body);
}

QString PlannerPage::entryText() const
{
    // Unfilled positions show "_" and count as blanks.
    const QString shown = m_entry->displayText();
    const QString mask = QString::fromUtf8(kEntryMask).section(u';', 0, 0);
    QString text = shown;
    for (qsizetype i = 0; i < text.size() && i < mask.size(); ++i)
        if (text[i] == u'_' && (mask[i] == u'#' || mask[i] == u'x'))
            text[i] = u' ';
    return text;
}

void PlannerPage::setEntryText(const QString& text)
{
    m_entry->setText(text);
}

void PlannerPage::showList()
{
    if (m_showing)
        return;
    m_showing = true;
    const QString text = m_planner.Memo3().join(u'\n');
    if (m_memo3->toPlainText() != text)
        m_memo3->setPlainText(text);
    m_showing = false;
}

void PlannerPage::BitBtn43Click()
{
    m_planner.BitBtn43Click(entryText(), m_clock.now());
}

void PlannerPage::BitBtn44Click()
{
    const QString path = QFileDialog::getOpenFileName(&m_window, m_openDialog->title, m_folder,
                                                      m_openDialog->qtFilter());
    if (!path.isEmpty())
        m_planner.openPlanFile(path);
}

void PlannerPage::SCButton53Click()
{
    const QString proposed =
        QDir(m_folder).filePath(Planner::proposedFileName(m_clock.now().date()));
    QFileDialog dialog(&m_window, m_saveDialog->title, proposed, m_saveDialog->qtFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(m_saveDialog->defaultSuffix);
    // The overwrite question is the planner's own.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_planner.savePlanFile(dialog.selectedFiles().constFirst());
}

void PlannerPage::SCButton81Click()
{
    m_memo4->setVisible(!m_memo4->isVisible());
    if (m_memo4->isVisible())
        m_memo4->raise();
}

void PlannerPage::DateTimePicker4CloseUp()
{
    setEntryText(Planner::prefill(m_picker4->date()));
}

void PlannerPage::SCButton20Click()
{
    m_planner.SCButton20Click(m_picker1->date(), m_picker2->date());
}

void PlannerPage::checkList()
{
    const QList<PlanCheck::Result> results =
        PlanCheck::check(m_planner.Memo3(), m_clock.now(), &m_settings);
    QStringList lines = PlanCheck::report(m_planner.Memo3(), results);
    lines.prepend(PlanCheck::allFutureRun(results)
                      ? QStringLiteral("Все будущие записи будут выполнены как написано.")
                      : QStringLiteral("Есть записи, которые не будут выполнены как написано:"));
    m_checkOutput->setPlainText(lines.join(u'\n'));
}

}  // namespace velumo
