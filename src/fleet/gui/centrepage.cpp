#include "centrepage.h"

#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/guard.h"
#include "base/timer.h"
#include "fleet/fleetconfig.h"
#include "fleet/fleetlink.h"
#include "ui/saverow.h"
#include "ui/settingswindow.h"
#include "ui/windowcomponents.h"

namespace velumo {

namespace {

struct FieldRow {
    const char* name;
    const char* caption;
    QString fleet::FleetConfigFields::*value;
};

const FieldRow kFields[] = {
    {"EditCentreBroker", "Брокер (mqtt://адрес:порт или mqtts://)",
     &fleet::FleetConfigFields::broker},
    {"EditCentreStation", "Станция", &fleet::FleetConfigFields::station},
    {"EditCentreUser", "Пользователь", &fleet::FleetConfigFields::user},
    {"EditCentrePassword", "Пароль", &fleet::FleetConfigFields::password},
    {"EditCentrePasswordFile", "Файл пароля", &fleet::FleetConfigFields::passwordFile},
    {"EditCentreCaFile", "Сертификат центра (CA)", &fleet::FleetConfigFields::caFile},
    {"EditCentreCertFile", "Сертификат станции", &fleet::FleetConfigFields::certFile},
    {"EditCentreKeyFile", "Ключ станции", &fleet::FleetConfigFields::keyFile},
    {"EditCentreKeepAlive", "Keep-alive, с", &fleet::FleetConfigFields::keepAlive},
    {"EditCentreAllow", "Разрешённые команды", &fleet::FleetConfigFields::allow},
};

}  // namespace

CentrePage::CentrePage(SettingsWindow& window, QString programFolder, TimerFactory& timers,
                       std::function<QJsonObject()> status, fleet::FleetLink* link)
    : QWidget(window.addUnsavedPage(QString::fromUtf8(kPath),
                                    QString::fromLatin1(kCentrePageComponents[0]))),
      m_folder(std::move(programFolder)),
      m_status(std::move(status))
{
    setObjectName(QStringLiteral("CentrePage"));
    parentWidget()->layout()->addWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* linkBox = new QGroupBox(QStringLiteral("Связь с центром"), this);
    linkBox->setObjectName(QStringLiteral("GroupBoxCentreLink"));
    auto* linkForm = new QFormLayout(linkBox);
    m_state = new QLabel(linkBox);
    m_state->setObjectName(QStringLiteral("LabelCentreLink"));
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_state->setWordWrap(true);
    linkForm->addRow(m_state);
    layout->addWidget(linkBox);

    auto* iniBox = new QGroupBox(QStringLiteral("fleet.ini"), this);
    iniBox->setObjectName(QStringLiteral("GroupBoxCentreIni"));
    auto* form = new QFormLayout(iniBox);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    for (const FieldRow& row : kFields) {
        auto* edit = new QLineEdit(iniBox);
        edit->setObjectName(QLatin1String(row.name));
        form->addRow(QString::fromUtf8(row.caption), edit);
    }
    field("EditCentrePassword")->setEchoMode(QLineEdit::Password);
    field("EditCentreKeepAlive")->setPlaceholderText(QStringLiteral("30"));
    field("EditCentreAllow")
        ->setPlaceholderText(fleet::FleetConfig::defaultAllow().join(QStringLiteral(", ")));
    field("EditCentreStation")->setPlaceholderText(QStringLiteral("имя компьютера"));
    const SaveRow saveRow =
        addSaveRow(form, iniBox, QStringLiteral("SCButtonCentreSave"),
                   QStringLiteral("LabelCentreSaved"), QStringLiteral("fleet.ini"));
    m_saved = saveRow.answer;
    layout->addWidget(iniBox);

    connectGuarded(saveRow.button, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("fleet.ini")), [this] { save(); });
    if (link)
        connectGuarded(link, &fleet::FleetLink::stateChanged, this,
                       Origin::unattended(QStringLiteral("centre page")), [this] { refresh(); });
    m_refresh = timers.create(QStringLiteral("centre page"));
    m_refresh->setInterval(kRefreshMs);
    m_refresh->setHandler([this] { refresh(); });
    m_refresh->start();
    load();
    refresh();
}

CentrePage::~CentrePage() = default;

QLineEdit* CentrePage::field(const char* name) const
{
    return findChild<QLineEdit*>(QLatin1String(name));
}

void CentrePage::load()
{
    const fleet::FleetConfigFields values = fleet::readFleetConfigFields(m_folder);
    for (const FieldRow& row : kFields)
        field(row.name)->setText(values.*row.value);
}

bool CentrePage::save()
{
    // What the page does not show (status_interval, the metrics, comments) stays as the file
    // has it.
    fleet::FleetConfigFields values = fleet::readFleetConfigFields(m_folder);
    for (const FieldRow& row : kFields)
        values.*row.value = field(row.name)->text();
    const QString error = fleet::saveFleetConfigFields(m_folder, values);
    if (error.isEmpty())
        m_saved->setText(
            QStringLiteral("fleet.ini записан; связь возьмёт его при следующем "
                           "запуске программы."));
    else
        m_saved->setText(QStringLiteral("Не записано: %1").arg(error));
    m_saved->setStyleSheet(error.isEmpty() ? QString() : QStringLiteral("color: #b00000"));
    return error.isEmpty();
}

void CentrePage::refresh()
{
    const QJsonObject s = m_status ? m_status() : QJsonObject();
    if (s.isEmpty()) {
        // A fleet.ini of the metrics alone makes no link either.
        m_state->setText(
            QFileInfo::exists(QDir(m_folder).filePath(QLatin1String(fleet::kFleetIniName)))
                ? QStringLiteral("Связи нет: в fleet.ini не задан брокер (раздел [fleet]).")
                : QStringLiteral("Связи нет: в папке программы нет fleet.ini."));
        return;
    }
    const auto text = [&s](const char* key) { return s.value(QLatin1String(key)).toVariant(); };
    QString out = QStringLiteral("Состояние: %1\nБрокер: %2\nСтанция: %3\nОчередь событий: %4")
                      .arg(text("state").toString(), text("broker").toString(),
                           text("station").toString(), text("spool").toString());
    if (const QString error = text("error").toString(); !error.isEmpty())
        out += QStringLiteral("\nОшибка: %1").arg(error);
    m_state->setText(out);
}

QString CentrePage::stateText() const
{
    return m_state->text();
}

QString CentrePage::savedText() const
{
    return m_saved->text();
}

}  // namespace velumo
