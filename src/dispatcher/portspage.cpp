#include "portspage.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/controlspec.h"
#include "base/guard.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "devices/broadcastmute.h"
#include "devices/lptpins.h"
#include "devices/toneplayer.h"
#include "ui/clickfilter.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

constexpr char kPinOnHint[] = "Пин LPT \"ON\"";
constexpr char kPinOffHint[] = "Пин LPT \"OFF\"";
constexpr char kSoundTestHint[] = "Проверка функции вкл/откл звука";

}  // namespace

PortsPage::PortsPage(SettingsWindow& window, Settings& settings, LptPins& pins, TonePlayer& tones,
                     BroadcastMute& broadcast, Notifier& notifier)
    : QObject(&window),
      m_window(window),
      m_settings(settings),
      m_pins(pins),
      m_tones(tones),
      m_broadcast(broadcast),
      m_notifier(notifier)
{
    buildPinTests();
    buildMemo();
    buildSoundTests();

    // Only the operator's click acts on the port; loading the settings file does not.
    if (auto* box = qobject_cast<QCheckBox*>(m_window.control(key::SCCheckBox26)))
        connectGuarded(box, &QCheckBox::clicked, this,
                       Origin::byOperator(QStringLiteral("portspage")),
                       [this] { run(&PortsPage::SCCheckBox26Click); });

    const std::pair<const char*, void (PortsPage::*)()> toneFields[] = {
        {key::SCEdit69, &PortsPage::SCEdit69Click}, {key::SCEdit70, &PortsPage::SCEdit70Click},
        {key::SCEdit71, &PortsPage::SCEdit71Click}, {key::SCEdit72, &PortsPage::SCEdit72Click},
        {key::SCEdit7, &PortsPage::SCEdit71Click},  {key::SCEdit42, &PortsPage::SCEdit72Click},
    };
    for (const auto& [field, handler] : toneFields)
        ClickFilter::install(m_window.control(QString::fromLatin1(field)),
                             Origin::byOperator(QStringLiteral("portspage")),
                             [this, handler] { run(handler); });
}

void PortsPage::run(void (PortsPage::*handler)())
{
    guarded(m_notifier, [this, handler] { (this->*handler)(); });
}

void PortsPage::buildPinTests()
{
    QGroupBox* box = m_window.group(groupid::PinTest);
    auto* form = static_cast<QFormLayout*>(box->layout());
    struct Row {
        const char* label;
        const char* labelName;
        const char* on;
        const char* off;
        void (PortsPage::*onClick)();
        void (PortsPage::*offClick)();
    };
    const Row rows[] = {
        {"Строка", "Label_PinTestString", "SCButton46", "SCButton47", &PortsPage::SCButton46Click,
         &PortsPage::SCButton47Click},
        {"Клип", "Label_PinTestClip", "SCButton48", "SCButton49", &PortsPage::SCButton48Click,
         &PortsPage::SCButton49Click},
    };
    for (const Row& row : rows) {
        auto* label = new QLabel(QString::fromUtf8(row.label), box);
        label->setObjectName(QString::fromLatin1(row.labelName));
        m_window.addComponent(label, ComponentClass::Label);
        auto* buttons = new QHBoxLayout();
        for (const auto& [name, caption, hint, handler] :
             {std::tuple{row.on, "ON", kPinOnHint, row.onClick},
              std::tuple{row.off, "OFF", kPinOffHint, row.offClick}}) {
            auto* button = new QPushButton(QString::fromUtf8(caption), box);
            button->setObjectName(QString::fromLatin1(name));
            button->setToolTip(QString::fromUtf8(hint));
            m_window.addComponent(button, ComponentClass::Button);
            connectGuarded(button, &QPushButton::clicked, this,
                           Origin::byOperator(QStringLiteral("portspage")),
                           [this, handler] { run(handler); });
            buttons->addWidget(button);
        }
        buttons->addStretch(1);
        form->addRow(label, buttons);
    }
}

QString PortsPage::memoText()
{
    return QStringLiteral(
        "Когда управление портами включено, при старте записи диспетчера звуковой выход "
        "компьютера даёт тон заданной частоты: простой частотный фильтр с электронным ключом "
        "превращает его в переключение внешнего оборудования. Одновременно выбранный пин LPT1 "
        "(от 2 до 9) переходит в состояние \"1\" (под напряжением), остальные пины сохраняют своё "
        "состояние. При остановке записи тон звучит снова, а пин теряет напряжение.\n\n"
        "В Linux порт LPT1 доступен программе через устройство /dev/parport0 (модуль ppdev); "
        "пользователю, от имени которого работает программа, нужны права на чтение и запись "
        "этого устройства (обычно членство в группе lp). Пока флажок \"Разрешить управление "
        "LPT1\" не отмечен, программа порт не читает и не пишет. После его отметки порт "
        "закрепляется за программой до её закрытия, все пины сбрасываются в \"0\"; печатать "
        "через этот порт до конца работы программы не рекомендуется.");
}

void PortsPage::buildMemo()
{
    QWidget* page = m_window.page(findControl(key::SCCheckBox26)->page);
    m_memo = new QPlainTextEdit(page);
    m_memo->setObjectName(QStringLiteral("Memo5"));
    m_memo->setReadOnly(true);
    m_memo->setPlainText(memoText());
    m_memo->setMinimumHeight(150);
    page->layout()->addWidget(m_memo);
    m_window.addComponent(m_memo, ComponentClass::Other);
}

void PortsPage::buildSoundTests()
{
    QGroupBox* box = m_window.group(findControl(key::SCCheckbox25)->group);
    auto* row = new QHBoxLayout();
    const std::tuple<const char*, const char*, void (BroadcastMute::*)()> buttons[] = {
        {"SCButton51", "Вкл", &BroadcastMute::SCButton51Click},
        {"SCButton84", "Откл", &BroadcastMute::SCButton84Click},
    };
    for (const auto& [name, caption, handler] : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(caption), box);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(QString::fromUtf8(kSoundTestHint));
        m_window.addComponent(button, ComponentClass::Button);
        connectGuarded(button, &QPushButton::clicked, this,
                       Origin::byOperator(QStringLiteral("portspage")), [this, handler] {
                           guarded(m_notifier, [this, handler] { (m_broadcast.*handler)(); });
                       });
        row->addWidget(button);
    }
    row->addStretch(1);
    static_cast<QFormLayout*>(box->layout())->addRow(row);
}

void PortsPage::SCButton46Click()
{
    m_pins.lptonoff(m_settings.spin(key::SpinEdit9), 1);
}

void PortsPage::SCButton47Click()
{
    m_pins.lptonoff(m_settings.spin(key::SpinEdit9), 0);
}

void PortsPage::SCButton48Click()
{
    m_pins.lptonoff(m_settings.spin(key::SpinEdit10), 1);
}

void PortsPage::SCButton49Click()
{
    m_pins.lptonoff(m_settings.spin(key::SpinEdit10), 0);
}

void PortsPage::SCCheckBox26Click()
{
    m_pins.SCCheckBox26Click();
}

void PortsPage::testBeep(const char* toneField)
{
    const int frequencyHz = m_settings.integer(QString::fromLatin1(toneField));
    const int durationMs = m_settings.integer(key::SCEdit73);
    // A test tone: nothing goes on after it.
    m_tones.MyBEEP(frequencyHz, durationMs, {});
}

void PortsPage::SCEdit69Click()
{
    testBeep(key::SCEdit69);
}

void PortsPage::SCEdit70Click()
{
    testBeep(key::SCEdit70);
}

void PortsPage::SCEdit71Click()
{
    testBeep(key::SCEdit71);
}

void PortsPage::SCEdit72Click()
{
    testBeep(key::SCEdit72);
}

}  // namespace velumo
