#include "tickersettingsui.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/wincolor.h"
#include "ticker/accessorygeometry.h"
#include "ticker/playbacklog.h"
#include "ticker/tickerengine.h"
#include "ticker/tickertextpage.h"
#include "ui/clickfilter.h"
#include "ui/dialogspec.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

const QString kCountersMessage =
    QStringLiteral("Для обработки тарифов, количество строк должно быть одинаковым");

// Runs a picker after the click has been delivered (no dialog inside the event filter).
void onClick(QWidget* widget, QObject* context, std::function<void()> action)
{
    ClickFilter::install(
        widget, Origin::byOperator(QStringLiteral("tickersettings")), [context, action] {
            postGuarded(context, Origin::byOperator(QStringLiteral("tickersettings")), action);
        });
}

}  // namespace

TickerSettingsUi::TickerSettingsUi(SettingsWindow& window, Settings& settings, TickerEngine& engine,
                                   PlaybackLog& log, Notifier& notifier)
    : QObject(&window),
      m_window(window),
      m_settings(settings),
      m_engine(engine),
      m_log(log),
      m_notifier(notifier)
{
    m_start = window.addButton(groupid::Block, QStringLiteral("SCButton3"),
                               QStringLiteral("Пуск строки"), QStringLiteral("Запустить строку"));
    connectGuarded(m_start, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("tickersettingsui")),
                   [this] { guard([this] { m_engine.SCButton3Click(); }); });
    QGroupBox* box = window.group(groupid::Block);
    m_workLabel = new QLabel(QStringLiteral("Не работаем"), box);
    m_workLabel->setObjectName(QStringLiteral("Label98"));
    static_cast<QFormLayout*>(box->layout())->addRow(m_workLabel);
    window.addComponent(m_workLabel, ComponentClass::FixedLabel);

    // The log list stands in the log group, under its settings.
    QWidget* logField = window.control(key::SCEdit88);
    auto* logBox = logField ? qobject_cast<QGroupBox*>(logField->parentWidget()) : nullptr;
    m_memoLog = new QPlainTextEdit(logBox ? static_cast<QWidget*>(logBox) : &window);
    m_memoLog->setObjectName(QStringLiteral("MemoLog"));
    m_memoLog->setToolTip(
        QStringLiteral("Протокол проката строки =номер проката блока;время;индекс;тариф;текст"));
    m_memoLog->setReadOnly(true);
    m_memoLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memoLog->setMaximumBlockCount(int(PlaybackLog::kMaxUnwrittenRecords));
    m_memoLog->setMinimumHeight(160);
    if (logBox)
        if (auto* form = qobject_cast<QFormLayout*>(logBox->layout()))
            form->addRow(m_memoLog);
    window.addComponent(m_memoLog, ComponentClass::Edit);
    connectGuarded(&log, &PlaybackLog::recordAppended, m_memoLog,
                   Origin::unattended(QStringLiteral("tickersettingsui")),
                   [this](const QString& record) { m_memoLog->appendPlainText(record); });
    connectGuarded(&log, &PlaybackLog::recordsReset, this,
                   Origin::unattended(QStringLiteral("tickersettingsui")),
                   &TickerSettingsUi::showRecords);

    m_logDialog = new DialogSpec(QStringLiteral("SaveDialog2"),
                                 QStringLiteral("Текст с разделителем \";\" (*.csv)|*.csv|Все|*.*"),
                                 QStringLiteral("Файл протокола проката"), this);
    m_logDialog->defaultSuffix = QStringLiteral("txt");
    window.addComponent(m_logDialog, ComponentClass::Dialog);

    onClick(window.control(key::SCEdit81), this,
            [this] { guard([this] { chooseTemporaryColour(); }); });
    onClick(window.control(key::SCEdit103), this, [this] { guard([this] { chooseLogFolder(); }); });
    onClick(window.control(key::SCEdit88), this, [this] { guard([this] { chooseLogFile(); }); });
    if (auto* stop = qobject_cast<QSpinBox*>(window.control(key::SpinEdit16))) {
        // Only the operator's changes warn, not the loading of the settings.
        connectGuarded(stop, &QSpinBox::valueChanged, this,
                       Origin::byOperator(QStringLiteral("tickersettingsui")), [this, stop] {
                           if (stop->hasFocus() || stop->underMouse())
                               guard([this] { SpinEdit16Change(); });
                       });
    }
    connectGuarded(&settings, &Settings::changed, this,
                   Origin::byOperator(QStringLiteral("tickersettingsui")),
                   [this](const QString& name) {
                       if (name == QLatin1String(key::SCCheckbox21) ||
                           name == QLatin1String(key::SCCheckbox25))
                           applyLogVisibility();
                   });
    applyLogVisibility();
    arrangeTariffs();
    // The counters are counted, not typed: a click on one, or on their label, says why.
    for (const char* counter : {key::SCEdit12, key::SCEdit14, key::SCEdit15})
        ClickFilter::install(window.control(QString::fromLatin1(counter)),
                             Origin::byOperator(QStringLiteral("tickermodule")),
                             [&notifier] { notifier.message(kCountersMessage); });
    ClickFilter::install(window.findChild<QLabel*>(QStringLiteral("Label91")),
                         Origin::byOperator(QStringLiteral("tickermodule")),
                         [&notifier] { notifier.message(kCountersMessage); });
}

void TickerSettingsUi::arrangeTariffs()
{
    // The four single tariffs in two rows of two, each group led by its digit, and the
    // combinations under them: the page reads as the table of modes.
    const std::pair<const char*, const char*> modes[] = {
        {key::SCEdit3, "1"}, {key::SCEdit81, "2"}, {key::SpinEdit15, "3"}, {key::SCEdit82, "4"}};
    QWidget* first = m_window.control(QString::fromLatin1(key::SCEdit3));
    auto* firstBox = first ? qobject_cast<QGroupBox*>(first->parentWidget()) : nullptr;
    auto* outer = firstBox ? qobject_cast<QGroupBox*>(firstBox->parentWidget()) : nullptr;
    auto* form = outer ? qobject_cast<QFormLayout*>(outer->layout()) : nullptr;
    if (!form)
        return;
    auto* table = new QGridLayout();
    int cell = 0;
    for (const auto& [field, digit] : modes) {
        QWidget* control = m_window.control(QString::fromLatin1(field));
        auto* box = control ? qobject_cast<QGroupBox*>(control->parentWidget()) : nullptr;
        if (!box || box->parentWidget() != outer)
            continue;
        int row = -1;
        QFormLayout::ItemRole role;
        form->getWidgetPosition(box, &row, &role);
        if (row >= 0) {
            const QFormLayout::TakeRowResult taken = form->takeRow(row);
            delete taken.labelItem;
            delete taken.fieldItem;
        }
        // The digit is no text of the translation: it is what the operator types.
        auto* number = new QLabel(QString::fromLatin1(digit), outer);
        number->setObjectName(QStringLiteral("TariffDigit") + QLatin1String(digit));
        QFont font = number->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.8);
        number->setFont(font);
        number->setAlignment(Qt::AlignRight | Qt::AlignTop);
        number->setMinimumWidth(number->fontMetrics().horizontalAdvance(u'0') * 2);
        table->addWidget(number, cell / 2, (cell % 2) * 2, Qt::AlignTop);
        table->addWidget(box, cell / 2, (cell % 2) * 2 + 1);
        ++cell;
    }
    table->setColumnStretch(1, 1);
    table->setColumnStretch(3, 1);
    auto* combinations = new QVBoxLayout();
    int digit = 5;
    for (const char* caption : kCombinationCaptions) {
        auto* label = new QLabel(QString::fromUtf8(caption), outer);
        label->setObjectName(QStringLiteral("TariffCombination%1").arg(digit++));
        combinations->addWidget(label);
    }
    table->addLayout(combinations, 2, 1, 1, 3);
    form->addRow(table);
}

void TickerSettingsUi::guard(const std::function<void()>& body)
{
    guarded(m_notifier, body);
}

void TickerSettingsUi::showRecords()
{
    m_memoLog->setPlainText(m_log.records().join(u'\n'));
}

void TickerSettingsUi::applyLogVisibility()
{
    m_memoLog->setVisible(m_settings.checked(key::SCCheckbox21));
}

void TickerSettingsUi::SpinEdit16Change()
{
    if (stripRect(m_settings).width() < m_settings.spin(key::SpinEdit16))
        m_notifier.message(QString::fromUtf8(kStopPlaceMessage));
}

void TickerSettingsUi::chooseTemporaryColour()
{
    const QColor current = colorFromNumber(strToIntDef(m_settings.text(key::SCEdit81), 0));
    const QColor colour = QColorDialog::getColor(current, &m_window);
    if (!colour.isValid())
        return;
    m_settings.setText(key::SCEdit81, QString::number(numberFromColor(colour)));
    m_window.applyColourPreview(QString::fromLatin1(key::SCEdit81));
}

void TickerSettingsUi::chooseLogFolder()
{
    QString start = m_settings.text(key::SCEdit103);
    if (start.isEmpty())
        start = QStringLiteral("/");
    const QString folder = QFileDialog::getExistingDirectory(&m_window, QString(), start);
    if (!folder.isEmpty())
        m_settings.setText(key::SCEdit103, folder);
}

void TickerSettingsUi::chooseLogFile()
{
    QFileDialog dialog(&m_window, m_logDialog->title, m_settings.text(key::SCEdit103),
                       m_logDialog->qtFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(m_logDialog->defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_settings.setText(key::SCEdit88, dialog.selectedFiles().constFirst());
}

}  // namespace velumo
