#include "tickersettingsui.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/wincolor.h"
#include "ticker/playbacklog.h"
#include "ticker/tickerengine.h"
#include "ticker/tickertextpage.h"
#include "ui/clickfilter.h"
#include "ui/dialogspec.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

// Runs a picker after the click has been delivered (no dialog inside the event filter).
void onClick(QWidget* widget, QObject* context, std::function<void()> action)
{
    ClickFilter::install(widget, [context, action] {
        QMetaObject::invokeMethod(context, action, Qt::QueuedConnection);
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
    const QString page = QString::fromUtf8(TickerTextPage::kPage);
    const QString group = QStringLiteral("Блок объявлений");
    m_start = window.addButton(page, group, QStringLiteral("SCButton3"),
                               QStringLiteral("Пуск строки"), QStringLiteral("Запустить строку"));
    connect(m_start, &QPushButton::clicked, this,
            [this] { guard([this] { m_engine.SCButton3Click(); }); });
    QGroupBox* box = window.group(page, group);
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
    connect(&log, &PlaybackLog::recordAppended, m_memoLog,
            [this](const QString& record) { m_memoLog->appendPlainText(record); });
    connect(&log, &PlaybackLog::recordsReset, this, &TickerSettingsUi::showRecords);

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
        connect(stop, &QSpinBox::valueChanged, this, [this, stop] {
            if (stop->hasFocus() || stop->underMouse())
                guard([this] { SpinEdit16Change(); });
        });
    }
    connect(&settings, &Settings::changed, this, [this](const QString& name) {
        if (name == QLatin1String(key::SCCheckbox21) || name == QLatin1String(key::SCCheckbox25))
            applyLogVisibility();
    });
    applyLogVisibility();
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
    if (m_settings.integer(key::SCEdit77) < m_settings.spin(key::SpinEdit16))
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
