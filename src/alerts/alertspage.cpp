#include "alertspage.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "alerts/alertboard.h"
#include "alerts/alertintake.h"
#include "base/guard.h"
#include "ui/saverow.h"
#include "ui/settingswindow.h"
#include "ui/windowcomponents.h"

namespace velumo::alerts {

namespace {

QString shortTime(const QDateTime& at)
{
    return at.isValid() ? at.toLocalTime().toString(QStringLiteral("dd.MM HH:mm:ss"))
                        : QStringLiteral("до отмены");
}

QString severityName(Severity severity)
{
    switch (severity) {
        case Severity::Extreme:
            return QStringLiteral("чрезвычайная");
        case Severity::Severe:
            return QStringLiteral("высокая");
        case Severity::Moderate:
            return QStringLiteral("средняя");
        case Severity::Minor:
            return QStringLiteral("низкая");
        case Severity::Unknown:
            break;
    }
    return QStringLiteral("не указана");
}

constexpr int kKeyRole = Qt::UserRole;

QTreeWidget* list(QWidget* parent, const char* name, const QStringList& columns)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QLatin1String(name));
    tree->setHeaderLabels(columns);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setAlternatingRowColors(true);
    tree->header()->setStretchLastSection(true);
    tree->setMinimumHeight(120);
    return tree;
}

}  // namespace

AlertsPage::AlertsPage(SettingsWindow& window, QString programFolder, AlertBoard* board,
                       AlertIntake* intake, std::function<void(const AlertsConfig&)> apply)
    : QWidget(window.addUnsavedPage(QString::fromUtf8(kPath),
                                    QString::fromLatin1(kAlertsPageComponents[0]))),
      m_folder(std::move(programFolder)),
      m_board(board),
      m_apply(std::move(apply))
{
    setObjectName(QStringLiteral("AlertsPage"));
    parentWidget()->layout()->addWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* onAirBox = new QGroupBox(QStringLiteral("В эфире"), this);
    onAirBox->setObjectName(QStringLiteral("GroupBoxAlertsOnAir"));
    auto* onAirLayout = new QVBoxLayout(onAirBox);
    m_state = new QLabel(onAirBox);
    m_state->setObjectName(QStringLiteral("LabelAlertsState"));
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    onAirLayout->addWidget(m_state);
    m_onAir = list(onAirBox, "ListAlertsOnAir",
                   {QStringLiteral("Важность"), QStringLiteral("Показ"), QStringLiteral("До"),
                    QStringLiteral("Отправитель"), QStringLiteral("Заголовок")});
    onAirLayout->addWidget(m_onAir);
    auto* takeOff = new QPushButton(QStringLiteral("Снять"), onAirBox);
    takeOff->setObjectName(QStringLiteral("SCButtonAlertsTakeOff"));
    takeOff->setToolTip(
        QStringLiteral("Снять выбранное оповещение с эфира; причина попадёт в "
                       "журнал"));
    auto* takeOffRow = new QHBoxLayout();
    takeOffRow->addWidget(takeOff);
    takeOffRow->addStretch();
    onAirLayout->addLayout(takeOffRow);
    layout->addWidget(onAirBox);

    auto* receivedBox = new QGroupBox(QStringLiteral("Получено"), this);
    receivedBox->setObjectName(QStringLiteral("GroupBoxAlertsReceived"));
    auto* receivedLayout = new QVBoxLayout(receivedBox);
    m_received = list(receivedBox, "ListAlertsReceived",
                      {QStringLiteral("Время"), QStringLiteral("Источник"),
                       QStringLiteral("Оповещение"), QStringLiteral("Итог")});
    receivedLayout->addWidget(m_received);
    layout->addWidget(receivedBox);

    auto* iniBox = new QGroupBox(QStringLiteral("alerts.ini"), this);
    iniBox->setObjectName(QStringLiteral("GroupBoxAlertsIni"));
    auto* form = new QFormLayout(iniBox);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    const auto addLine = [&](const char* name, const char* caption, const QString& hint) {
        auto* edit = new QLineEdit(iniBox);
        edit->setObjectName(QLatin1String(name));
        edit->setPlaceholderText(hint);
        form->addRow(QString::fromUtf8(caption), edit);
    };
    const auto addLines = [&](const char* name, const char* caption, const QString& hint) {
        auto* edit = new QPlainTextEdit(iniBox);
        edit->setObjectName(QLatin1String(name));
        edit->setPlaceholderText(hint);
        edit->setTabChangesFocus(true);
        edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 4 + 12);
        form->addRow(QString::fromUtf8(caption), edit);
    };
    const auto addBox = [&](const char* name, const char* caption) {
        auto* check = new QCheckBox(QString::fromUtf8(caption), iniBox);
        check->setObjectName(QLatin1String(name));
        form->addRow(check);
    };
    const AlertsConfig defaults;
    addLines("EditAlertsFeeds", "Ленты (адрес в строке)",
             QStringLiteral("https://... документ CAP или лента Atom/RSS"));
    addLine("EditAlertsDropFolder", "Папка приёма", defaults.dropFolder);
    addLine("EditAlertsPoll", "Опрос лент, с", QString::number(defaults.pollS));
    addLine("EditAlertsStale", "Лента без связи через, мин", QString::number(defaults.staleMin));
    addBox("CheckAlertsSignature", "Только подписанные оповещения");
    addLines("EditAlertsCertificates", "Сертификаты подписи (файл в строке)",
             QStringLiteral("certs/issuer.pem"));
    addBox("CheckAlertsShowTests", "Показывать учебные и тестовые (с пометкой)");
    addLine("EditAlertsLanguage", "Язык", defaults.language);
    addLine("EditAlertsLatitude", "Широта", QStringLiteral("55.75"));
    addLine("EditAlertsLongitude", "Долгота", QStringLiteral("37.62"));
    addLines("EditAlertsGeocodes", "Геокоды (имя и значение в строке)",
             QStringLiteral("OKATO 45000000"));
    addLine("EditAlertsStation", "Адрес станции", QStringLiteral("для Restricted и Private"));
    addLine("EditAlertsBand", "В полосе", patternsText(defaults.band));
    addLine("EditAlertsStrip", "В строке", patternsText(defaults.strip));
    addLine("EditAlertsRepeat", "Повтор в строке, мин", QString::number(defaults.repeatMin));
    const SaveRow saveRow =
        addSaveRow(form, iniBox, QStringLiteral("SCButtonAlertsSave"),
                   QStringLiteral("LabelAlertsSaved"), QStringLiteral("alerts.ini"));
    m_saved = saveRow.answer;
    layout->addWidget(iniBox);

    connectGuarded(saveRow.button, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("alerts.ini")), [this] { save(); });
    connectGuarded(takeOff, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("alerts page")), [this] { askAndTakeOff(); });
    if (board)
        connectGuarded(board, &AlertBoard::changed, this,
                       Origin::unattended(QStringLiteral("alerts page")), [this] { refresh(); });
    if (intake)
        connectGuarded(intake, &AlertIntake::received, this,
                       Origin::unattended(QStringLiteral("alerts page")),
                       [this](const AlertReceipt& receipt) { addReceipt(receipt); });
    load();
    refresh();
}

AlertsPage::~AlertsPage() = default;

QLineEdit* AlertsPage::line(const char* name) const
{
    return findChild<QLineEdit*>(QLatin1String(name));
}

QPlainTextEdit* AlertsPage::lines(const char* name) const
{
    return findChild<QPlainTextEdit*>(QLatin1String(name));
}

QCheckBox* AlertsPage::box(const char* name) const
{
    return findChild<QCheckBox*>(QLatin1String(name));
}

void AlertsPage::load()
{
    const AlertsConfigRead read = readAlertsConfig(m_folder);
    const AlertsConfig& c = read.config;
    lines("EditAlertsFeeds")->setPlainText(c.feeds.join(u'\n'));
    line("EditAlertsDropFolder")->setText(read.present ? c.dropFolder : QString());
    line("EditAlertsPoll")->setText(QString::number(c.pollS));
    line("EditAlertsStale")->setText(QString::number(c.staleMin));
    box("CheckAlertsSignature")->setChecked(c.requireSignature);
    lines("EditAlertsCertificates")->setPlainText(c.certificates.join(u'\n'));
    box("CheckAlertsShowTests")->setChecked(c.showTests);
    line("EditAlertsLanguage")->setText(c.language);
    line("EditAlertsLatitude")
        ->setText(c.place ? QString::number(c.place->lat, 'g', 12) : QString());
    line("EditAlertsLongitude")
        ->setText(c.place ? QString::number(c.place->lon, 'g', 12) : QString());
    QStringList geocodes;
    for (const NamedValue& g : c.geocodes)
        geocodes << g.name + u' ' + g.value;
    lines("EditAlertsGeocodes")->setPlainText(geocodes.join(u'\n'));
    line("EditAlertsStation")->setText(c.station);
    line("EditAlertsBand")->setText(patternsText(c.band));
    line("EditAlertsStrip")->setText(patternsText(c.strip));
    line("EditAlertsRepeat")->setText(QString::number(c.repeatMin));
    if (!read.errors.isEmpty())
        m_saved->setText(QStringLiteral("В alerts.ini ошибки: ") +
                         read.errors.join(QStringLiteral("; ")));
}

QByteArray AlertsPage::fieldsText() const
{
    QStringList out{QStringLiteral("[alerts]")};
    const auto put = [&](const char* key, const QString& value) {
        out << QLatin1String(key) + QStringLiteral(" = ") + value.trimmed();
    };
    const auto each = [&](const char* key, const char* field) {
        for (const QString& value : lines(field)->toPlainText().split(u'\n', Qt::SkipEmptyParts))
            if (!value.trimmed().isEmpty())
                put(key, value);
    };
    const auto given = [&](const char* key, const char* field) {
        if (const QString value = line(field)->text(); !value.trimmed().isEmpty())
            put(key, value);
    };
    each("feed", "EditAlertsFeeds");
    put("drop_folder", line("EditAlertsDropFolder")->text());
    given("poll_s", "EditAlertsPoll");
    given("stale_min", "EditAlertsStale");
    put("require_signature", box("CheckAlertsSignature")->isChecked() ? "1" : "0");
    each("certificate", "EditAlertsCertificates");
    put("show_tests", box("CheckAlertsShowTests")->isChecked() ? "1" : "0");
    given("language", "EditAlertsLanguage");
    given("latitude", "EditAlertsLatitude");
    given("longitude", "EditAlertsLongitude");
    each("geocode", "EditAlertsGeocodes");
    given("station", "EditAlertsStation");
    given("band", "EditAlertsBand");
    given("strip", "EditAlertsStrip");
    given("repeat_min", "EditAlertsRepeat");
    return (out.join(u'\n') + u'\n').toUtf8();
}

bool AlertsPage::save()
{
    const AlertsConfigRead read = parseAlertsConfig(fieldsText());
    QString error = read.errors.isEmpty() ? QString() : read.errors.first();
    error.replace(QRegularExpression(QStringLiteral("^alerts.ini line \\d+: ")), QString());
    if (error.isEmpty()) {
        try {
            read.config.save(m_folder);
        } catch (...) {
            error = currentExceptionText();
        }
    }
    if (!error.isEmpty()) {
        m_saved->setText(QStringLiteral("Не записано: %1").arg(error));
        m_saved->setStyleSheet(QStringLiteral("color: #b00000"));
        return false;
    }
    m_saved->setStyleSheet(QString());
    if (m_board) {
        if (m_apply)
            m_apply(read.config);
        m_saved->setText(QStringLiteral("alerts.ini записан; новые значения действуют."));
    } else {
        m_saved->setText(
            QStringLiteral("alerts.ini записан; оповещения включатся при следующем "
                           "запуске программы."));
    }
    refresh();
    return true;
}

void AlertsPage::refresh()
{
    if (!m_board) {
        m_state->setText(
            QStringLiteral("Оповещения выключены: в папке программы нет "
                           "alerts.ini."));
        return;
    }
    const QList<OnAirAlert> onAir = m_board->onAir();
    const AlertKey chosen = m_onAir->currentItem()
                                ? AlertKey{m_onAir->currentItem()->data(0, kKeyRole).toString(),
                                           m_onAir->currentItem()->data(1, kKeyRole).toString()}
                                : AlertKey{};
    m_onAir->clear();
    for (const OnAirAlert& a : onAir) {
        auto* item = new QTreeWidgetItem(
            m_onAir,
            {severityName(a.info.severity) + (a.mark.isEmpty() ? QString() : u' ' + a.mark),
             a.display == Display::Band ? QStringLiteral("полоса") : QStringLiteral("строка"),
             shortTime(a.until), a.info.senderName.isEmpty() ? a.key.sender : a.info.senderName,
             a.info.headline.isEmpty() ? a.info.event : a.info.headline});
        item->setData(0, kKeyRole, a.key.sender);
        item->setData(1, kKeyRole, a.key.identifier);
        item->setToolTip(4, a.key.text());
        if (a.key == chosen)
            m_onAir->setCurrentItem(item);
    }
    m_state->setText(QStringLiteral("В эфире: %1, ждут своего времени: %2.")
                         .arg(onAir.size())
                         .arg(m_board->waiting()));
}

void AlertsPage::addReceipt(const AlertReceipt& receipt)
{
    auto* item = new QTreeWidgetItem(
        {receipt.at.toLocalTime().toString(QStringLiteral("dd.MM HH:mm:ss")), receipt.source,
         receipt.key.isEmpty() ? QStringLiteral("—") : receipt.key.text(),
         (receipt.accepted ? QStringLiteral("принято: ") : QStringLiteral("отказано: ")) +
             receipt.text});
    item->setToolTip(3, receipt.text);
    m_received->insertTopLevelItem(0, item);
    while (m_received->topLevelItemCount() > kReceiptsKept)
        delete m_received->takeTopLevelItem(m_received->topLevelItemCount() - 1);
}

bool AlertsPage::takeOffChosen(const QString& reason)
{
    QTreeWidgetItem* item = m_onAir->currentItem();
    if (!m_board || !item) {
        m_state->setText(QStringLiteral("Выберите оповещение в списке."));
        return false;
    }
    if (reason.trimmed().isEmpty()) {
        m_state->setText(QStringLiteral("Не снято: укажите причину."));
        return false;
    }
    const AlertKey key{item->data(0, kKeyRole).toString(), item->data(1, kKeyRole).toString()};
    if (!m_board->takeOff(key, reason.simplified())) {
        m_state->setText(QStringLiteral("Не снято: оповещения уже нет в эфире."));
        refresh();
        return false;
    }
    return true;
}

void AlertsPage::askAndTakeOff()
{
    if (!m_onAir->currentItem()) {
        takeOffChosen(QString());
        return;
    }
    bool ok = false;
    const QString reason =
        QInputDialog::getText(this, QStringLiteral("Снять оповещение"),
                              QStringLiteral("Причина (она будет записана в журнал):"),
                              QLineEdit::Normal, QString(), &ok);
    if (ok)
        takeOffChosen(reason);
}

QString AlertsPage::stateText() const
{
    return m_state->text();
}

QString AlertsPage::savedText() const
{
    return m_saved->text();
}

}  // namespace velumo::alerts
