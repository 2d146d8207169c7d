#include "tickertextpage.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ticker/tickerblock.h"
#include "ui/dialogspec.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

QPlainTextEdit* makeList(QWidget* parent, const QString& name, const QString& hint)
{
    auto* list = new QPlainTextEdit(parent);
    list->setObjectName(name);
    list->setToolTip(hint);
    list->setLineWrapMode(QPlainTextEdit::NoWrap);
    return list;
}

// One line a paragraph of the list, an empty last paragraph included, so that a block whose
// last text line is empty keeps it.
QStringList linesOf(const QPlainTextEdit* list)
{
    const QString text = list->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

}  // namespace

TickerTextPage::TickerTextPage(SettingsWindow& window, TickerBlock& block, QString initialFolder)
    : QObject(&window), m_window(window), m_block(block), m_folder(std::move(initialFolder))
{
    const QString page = QString::fromUtf8(kPage);
    QGroupBox* box = window.group(page, QStringLiteral("Блок объявлений"));
    auto* form = static_cast<QFormLayout*>(box->layout());

    auto* buttons = new QHBoxLayout();
    auto* open = new QPushButton(QStringLiteral("Открыть…"), box);
    open->setObjectName(QStringLiteral("SCButton1"));
    open->setToolTip(QStringLiteral("Открыть файл"));
    auto* save = new QPushButton(QStringLiteral("Сохранить…"), box);
    save->setObjectName(QStringLiteral("SCButton2"));
    save->setToolTip(QStringLiteral("Сохранить файл строки"));
    m_progress = new QProgressBar(box);
    m_progress->setObjectName(QStringLiteral("pb1"));
    m_progress->setValue(0);
    buttons->addWidget(open);
    buttons->addWidget(save);
    buttons->addWidget(m_progress, 1);
    form->addRow(buttons);
    window.addComponent(open, ComponentClass::Button);
    window.addComponent(save, ComponentClass::Button);
    window.addComponent(m_progress, ComponentClass::Other);

    // The three counters stand in one row above their lists.
    auto* counters = new QHBoxLayout();
    counters->setSpacing(10);
    auto* caption = new QLabel(QStringLiteral("Количество строк в блоке"), box);
    caption->setObjectName(QStringLiteral("Label91"));
    window.addComponent(caption, ComponentClass::Label);
    counters->addWidget(caption);
    for (const auto& [name, column] :
         {std::pair{"SCEdit14", "индекс"}, std::pair{"SCEdit15", "тариф"},
          std::pair{"SCEdit12", "текст"}}) {
        QWidget* counter = window.control(QString::fromLatin1(name));
        if (!counter)
            continue;
        if (QWidget* label =
                window.findChild<QLabel*>(QStringLiteral("Label_") + QLatin1String(name)))
            label->hide();
        auto* columnLabel = new QLabel(QString::fromUtf8(column), box);
        // The group the schema first placed the counter in is left empty: hide it.
        if (QWidget* oldGroup = counter->parentWidget(); oldGroup && oldGroup != box)
            oldGroup->hide();
        counter->setParent(box);
        counter->setMaximumWidth(90);
        static_cast<QLineEdit*>(counter)->setReadOnly(true);
        counters->addSpacing(12);
        counters->addWidget(columnLabel);
        counters->addWidget(counter);
    }
    counters->addStretch(1);
    form->addRow(counters);

    auto* lists = new QHBoxLayout();
    m_index =
        makeList(box, QStringLiteral("Memoindex"), QStringLiteral("Порядковый индекс объявления"));
    m_tariff = makeList(box, QStringLiteral("Memotarif"), QStringLiteral("Номер тарифа проката"));
    m_text = makeList(box, QStringLiteral("Memo1"), QString());
    m_index->setMaximumWidth(110);
    m_tariff->setMaximumWidth(80);
    m_text->setMinimumHeight(380);
    lists->addWidget(m_index);
    lists->addWidget(m_tariff);
    lists->addWidget(m_text, 1);
    form->addRow(lists);
    for (QPlainTextEdit* list : {m_index, m_tariff, m_text})
        window.addComponent(list, ComponentClass::Other);

    m_openDialog =
        new DialogSpec(QStringLiteral("OpenDialog1"),
                       QStringLiteral("Строковые файлы (*.str)|*.str|Tекст (*.txt)|*.txt|Все|*.*"),
                       QStringLiteral("Открыть файл строки"), this);
    m_saveDialog = new DialogSpec(QStringLiteral("SaveDialog1"),
                                  QStringLiteral("Строковые файлы(str)|*.str|Все|*.*"),
                                  QStringLiteral("Сохранить файл строки"), this);
    m_saveDialog->defaultSuffix = QStringLiteral("txt");
    window.addComponent(m_openDialog, ComponentClass::Dialog);
    window.addComponent(m_saveDialog, ComponentClass::Dialog);

    m_editDelay = new QTimer(this);
    m_editDelay->setSingleShot(true);
    m_editDelay->setInterval(300);
    connect(m_editDelay, &QTimer::timeout, this, &TickerTextPage::flushEdits);
    for (QPlainTextEdit* list : {m_index, m_tariff, m_text})
        connect(list, &QPlainTextEdit::textChanged, this, [this] {
            if (m_showing)
                return;
            m_edited = true;
            m_editDelay->start();
        });

    connect(&m_block, &TickerBlock::changed, this, &TickerTextPage::showBlock);
    m_text->installEventFilter(this);
    connect(&m_block, &TickerBlock::loading, this, [this](bool busy) {
        for (QPlainTextEdit* list : {m_index, m_tariff, m_text})
            list->setVisible(!busy);
    });
    connect(open, &QPushButton::clicked, this, &TickerTextPage::chooseOpen);
    connect(save, &QPushButton::clicked, this, &TickerTextPage::chooseSave);
    showBlock();
}

void TickerTextPage::setProgress(qsizetype position, qsizetype maximum)
{
    m_progress->setMaximum(int(qMin<qsizetype>(maximum, INT_MAX)));
    m_progress->setValue(int(qMin<qsizetype>(position, INT_MAX)));
}

void TickerTextPage::flushEdits()
{
    m_editDelay->stop();
    // Only the operator's edits go back: rewriting the block from what the lists show would
    // be a needless change of it.
    if (!m_edited || m_stale)
        return;
    m_edited = false;
    m_showing = true;
    m_block.setLists(linesOf(m_text), linesOf(m_tariff), linesOf(m_index));
    m_showing = false;
}

bool TickerTextPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text && event->type() == QEvent::Show && m_stale)
        showBlock();
    return false;
}

void TickerTextPage::showBlock()
{
    if (m_showing)
        return;
    // Filling the lists with a large block takes long: while they are not on screen (the
    // ticker runs with the main window hidden) they are filled when they are shown again.
    if (!m_text->isVisible()) {
        m_stale = true;
        m_editDelay->stop();
        m_edited = false;
        return;
    }
    m_stale = false;
    m_editDelay->stop();
    m_edited = false;
    m_showing = true;
    const auto show = [](QPlainTextEdit* list, const QStringList& lines) {
        const QString text = lines.join(u'\n');
        if (list->toPlainText() != text)
            list->setPlainText(text);
    };
    show(m_index, m_block.index());
    show(m_tariff, m_block.tariff());
    show(m_text, m_block.text());
    m_showing = false;
}

void TickerTextPage::chooseOpen()
{
    const QString path = QFileDialog::getOpenFileName(&m_window, m_openDialog->title, m_folder,
                                                      m_openDialog->qtFilter());
    if (!path.isEmpty())
        emit openChosen(path);
}

void TickerTextPage::chooseSave()
{
    QFileDialog dialog(&m_window, m_saveDialog->title, m_folder, m_saveDialog->qtFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(m_saveDialog->defaultSuffix);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        emit saveChosen(dialog.selectedFiles().first());
}

}  // namespace velumo
