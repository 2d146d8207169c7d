#include "controlpanel.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <tuple>

#include "base/guard.h"
#include "base/notifier.h"
#include "base/operations.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "panel/clockticker.h"
#include "panel/panelcomponents.h"
#include "panel/panelphrases.h"
#include "panel/phraselistmodel.h"
#include "panel/trayicon.h"
#include "ui/clickfilter.h"
#include "ui/componenttext.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

const QString kShowOperation = QStringLiteral("show");
const QString kExitOperation = QStringLiteral("exit");

QLineEdit* mirrorField(QWidget* parent, const char* name)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    return edit;
}

}  // namespace

ControlPanel::ControlPanel(Settings& settings, Notifier& notifier, Operations& operations,
                           PanelPhrases& phrases, ClockTicker& clock, TrayIcon& tray,
                           Windows windows, QWidget* parent)
    : QWidget(parent, kWindowFlags),
      m_settings(settings),
      m_notifier(notifier),
      m_operations(operations),
      m_phrases(phrases),
      m_clock(clock),
      m_tray(tray),
      m_windows(windows)
{
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QString::fromUtf8(kCaption));
    QPalette silver = palette();
    silver.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(silver);
    setAutoFillBackground(true);
    build();
    resize(kSize);
    applyComponents(panelcomponents::design());
    showPhrases();

    connectGuarded(&m_settings, &Settings::changed, this,
                   Origin::byOperator(QStringLiteral("controlpanel")), &ControlPanel::mirror);
    for (const char* name : {key::SCCheckbox7, key::SCEdit10, key::SCEditn6, key::SCEditn3})
        mirror(QString::fromLatin1(name));
    connect(&m_clock, &ClockTicker::timeShown, m_time, &QLineEdit::setText);  // plain: Qt plumbing
}

ControlPanel::~ControlPanel() = default;

QPushButton* ControlPanel::button(const char* name)
{
    auto* b = new QPushButton(this);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

void ControlPanel::build()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(4);
    auto* columns = new QHBoxLayout();
    outer->addLayout(columns, 1);

    // Left: the phrase list and its buttons.
    auto* left = new QVBoxLayout();
    columns->addLayout(left, 3);
    m_model = new PhraseListModel(m_phrases, this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("ListBox1"));
    m_list->setModel(m_model);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setUniformItemSizes(true);  // lists of many thousand lines stay quick
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    watchKeys(m_list);
    left->addWidget(m_list, 1);
    m_input = new QLineEdit(QStringLiteral("Строка для добавления в перечень"), this);
    m_input->setObjectName(QStringLiteral("scEdit1"));
    watchKeys(m_input);
    left->addWidget(m_input);
    auto* listButtons = new QHBoxLayout();
    QPushButton* add = button("SCButton4");
    QPushButton* remove = button("SCButton6");
    listButtons->addWidget(add);
    listButtons->addWidget(remove);
    left->addLayout(listButtons);
    QPushButton* toTicker = button("SCButton1");
    left->addWidget(toTicker);

    // Right: the clock text, the players, the dispatcher.
    auto* right = new QVBoxLayout();
    columns->addLayout(right, 2);
    auto* clockGroup = new QGroupBox(this);
    clockGroup->setObjectName(QStringLiteral("GroupBox1"));
    auto* clockRows = new QVBoxLayout(clockGroup);
    clockRows->setContentsMargins(6, 2, 6, 4);
    m_label3 = new QLabel(clockGroup);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setTextFormat(Qt::PlainText);
    m_label3->setMinimumWidth(10);
    m_label3->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    clockRows->addWidget(m_label3);
    auto* clockButtons = new QHBoxLayout();
    QPushButton* clockPhrase = button("SCButton9");
    QPushButton* clockSettings = button("SCButton12");
    clockPhrase->setParent(clockGroup);
    clockSettings->setParent(clockGroup);
    clockPhrase->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    clockSettings->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    m_clockBox = new QCheckBox(QStringLiteral("Видимость часов"), clockGroup);
    m_clockBox->setObjectName(QStringLiteral("CheckBox1"));
    m_clockBox->setToolTip(QStringLiteral("Видимость часов"));
    clockButtons->addWidget(clockPhrase);
    clockButtons->addWidget(clockSettings);
    clockButtons->addWidget(m_clockBox);
    clockButtons->addStretch(1);
    clockRows->addLayout(clockButtons);
    right->addWidget(clockGroup);

    auto* players = new QHBoxLayout();
    auto playerGroup = [&](const char* groupName, const char* startName, const char* stopName,
                           const char* startOperation, const char* stopOperation) {
        auto* group = new QGroupBox(this);
        group->setObjectName(QString::fromLatin1(groupName));
        auto* row = new QHBoxLayout(group);
        row->setContentsMargins(4, 2, 4, 4);
        for (auto [name, operation, icon] :
             {std::tuple{startName, startOperation, QStyle::SP_MediaPlay},
              std::tuple{stopName, stopOperation, QStyle::SP_MediaStop}}) {
            QPushButton* b = button(name);
            b->setParent(group);
            b->setIcon(style()->standardIcon(icon));
            row->addWidget(b);
            const QString op = QString::fromLatin1(operation);
            m_playerButtons.append({b, op});
            connectGuarded(b, &QPushButton::clicked, this,
                           Origin::byOperator(QStringLiteral("controlpanel")), [this, op] {
                               run([&] {
                                   if (m_operations.contains(op))
                                       m_operations.run(op);
                                   else
                                       updatePlayerButtons();
                               });
                           });
        }
        players->addWidget(group);
    };
    playerGroup("GroupBox4", "SCButton16", "SCButton15", "clip start", "clip stop");
    playerGroup("GroupBox3", "SCButton14", "SCButton13", "flash start", "flash stop");
    playerGroup("GroupBox2", "SCButton63", "SCButton26", "panel capture-start",
                "panel capture-stop");
    right->addLayout(players);

    auto* zup = new QGroupBox(this);
    zup->setObjectName(QStringLiteral("GroupBox5"));
    auto* zupRows = new QVBoxLayout(zup);
    zupRows->setContentsMargins(6, 2, 6, 4);
    m_label1 = new QLabel(zup);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    m_label1->hide();
    m_nextStart = mirrorField(zup, "SCEdit2");
    m_stringStop = mirrorField(zup, "SCEdit3");
    m_clipStop = mirrorField(zup, "SCEdit4");
    for (QLineEdit* field : {m_nextStart, m_stringStop, m_clipStop})
        watchKeys(field);
    auto* stops = new QHBoxLayout();
    stops->addWidget(m_stringStop);
    stops->addWidget(m_clipStop);
    auto* zupButtons = new QHBoxLayout();
    QPushButton* zupStart = button("SCButton43");
    QPushButton* zupStop = button("SCButton44");
    QPushButton* zupSettings = button("SCButton7");
    for (auto [b, icon] :
         {std::pair{zupStart, QStyle::SP_MediaPlay}, std::pair{zupStop, QStyle::SP_MediaStop},
          std::pair{zupSettings, QStyle::SP_FileDialogDetailedView}}) {
        b->setParent(zup);
        b->setIcon(style()->standardIcon(icon));
        zupButtons->addWidget(b);
    }
    zupButtons->addWidget(m_label1, 1);
    zupRows->addWidget(m_nextStart);
    zupRows->addLayout(stops);
    zupRows->addLayout(zupButtons);
    right->addWidget(zup);
    right->addStretch(1);

    // Bottom: the ticker, the windows, the exit.
    auto* bottom = new QHBoxLayout();
    outer->addLayout(bottom);
    QPushButton* restart = button("SCButton10");
    QPushButton* stop = button("SCButton2");
    QPushButton* resume = button("SCButton8");
    QPushButton* front = button("SCButton11");
    QPushButton* mainWindow = button("SCButton3");
    QPushButton* minimise = button("SCButton5");
    QPushButton* exit = button("SCButton17");
    exit->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    m_time = new QLineEdit(this);
    m_time->setObjectName(QStringLiteral("SCEditn7"));
    m_time->setReadOnly(true);
    m_time->setAlignment(Qt::AlignCenter);
    m_time->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 16);
    exit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* bottomRight = new QHBoxLayout();
    for (QPushButton* b : {restart, stop, resume, front})
        bottom->addWidget(b);
    bottom->addStretch(1);
    for (QPushButton* b : {mainWindow, minimise})
        bottomRight->addWidget(b);
    bottomRight->addStretch(1);
    bottomRight->addWidget(m_time);
    bottomRight->addWidget(exit);
    outer->addLayout(bottomRight);

    // The right-click menu (also the notification-area icon's).
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    auto* n1 = m_popup->addAction(QStringLiteral("Строка поверх всего"));
    n1->setObjectName(QStringLiteral("N1"));
    auto* n3 = m_popup->addAction(QStringLiteral("Панель управления"));
    n3->setObjectName(QStringLiteral("N3"));
    auto* n2 = m_popup->addAction(QStringLiteral("Главное окно"));
    n2->setObjectName(QStringLiteral("N2"));
    setContextMenuPolicy(Qt::CustomContextMenu);
    connectGuarded(this, &QWidget::customContextMenuRequested, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this](const QPoint& at) { m_popup->popup(mapToGlobal(at)); });

    auto on = [this](QPushButton* b, void (ControlPanel::*handler)()) {
        connectGuarded(b, &QPushButton::clicked, this,
                       Origin::byOperator(QStringLiteral("controlpanel")),
                       [this, handler] { run([&] { (this->*handler)(); }); });
    };
    on(add, &ControlPanel::SCButton4Click);
    on(remove, &ControlPanel::SCButton6Click);
    on(toTicker, &ControlPanel::SCButton1Click);
    on(clockPhrase, &ControlPanel::SCButton9Click);
    on(clockSettings, &ControlPanel::SCButton12Click);
    on(front, &ControlPanel::SCButton11Click);
    on(mainWindow, &ControlPanel::SCButton3Click);
    on(zupSettings, &ControlPanel::SCButton7Click);
    on(minimise, &ControlPanel::SCButton5Click);
    connectGuarded(exit, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this] { run([this] { SCButton17Click(); }); });
    connectGuarded(stop, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this] { runOperation(QStringLiteral("ticker stop")); });
    connectGuarded(resume, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this] { runOperation(QStringLiteral("ticker continue")); });
    connectGuarded(restart, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this] { runOperation(QStringLiteral("ticker restart")); });
    connectGuarded(zupStart, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this] { runOperation(QStringLiteral("panel dispatcher-start")); });
    connectGuarded(zupStop, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this] { runOperation(QStringLiteral("dispatcher stop")); });
    connectGuarded(m_clockBox, &QCheckBox::clicked, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this](bool checked) { run([&] { CheckBox1Click(checked); }); });
    connectGuarded(n1, &QAction::triggered, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this] { run([this] { SCButton11Click(); }); });
    connectGuarded(n3, &QAction::triggered, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this] { run([this] { N3Click(); }); });
    connectGuarded(n2, &QAction::triggered, this,
                   Origin::byOperator(QStringLiteral("controlpanel")),
                   [this] { run([this] { SCButton3Click(); }); });
    ClickFilter::install(m_label1, Origin::byOperator(QStringLiteral("controlpanel")),
                         [this] { run([this] { Label1Click(); }); });
}

void ControlPanel::run(const std::function<void()>& body)
{
    guarded(m_notifier, body);
}

void ControlPanel::runOperation(const QString& name, const QString& argument)
{
    run([&] { m_operations.run(name, argument); });
}

QList<UiComponent> ControlPanel::components() const
{
    QList<UiComponent> list = panelcomponents::design();
    for (UiComponent& c : list) {
        c.caption.clear();
        c.hint.clear();
        readComponentText(findChild<QObject*>(c.name), c);
    }
    return list;
}

void ControlPanel::applyComponents(const QList<UiComponent>& components)
{
    for (const UiComponent& c : components)
        applyComponentText(findChild<QObject*>(c.name), c);
}

void ControlPanel::showPhrases()
{
    m_model->reload();
    m_list->setCurrentIndex(QModelIndex());
}

int ControlPanel::selectedPhrase() const
{
    const QModelIndex current = m_list->currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    return row >= 0 && m_list->selectionModel()->isSelected(current) && m_phrases.isValid(row) ? row
                                                                                               : -1;
}

void ControlPanel::selectPhrase(int index)
{
    m_list->setCurrentIndex(m_model->index(index));
}

void ControlPanel::mirror(const QString& setting)
{
    if (setting == QLatin1String(key::SCCheckbox7))
        m_clockBox->setChecked(m_settings.checked(key::SCCheckbox7));
    else if (setting == QLatin1String(key::SCEdit10))
        m_nextStart->setText(m_settings.text(setting));
    else if (setting == QLatin1String(key::SCEditn6))
        m_stringStop->setText(m_settings.text(setting));
    else if (setting == QLatin1String(key::SCEditn3))
        m_clipStop->setText(m_settings.text(setting));
}

void ControlPanel::addPhrase(const QString& phrase)
{
    m_model->add(phrase);
}

QString ControlPanel::clockText() const
{
    return m_clock.ClockText();
}

void ControlPanel::SCButton4Click()
{
    addPhrase(m_input->text());
}

void ControlPanel::SCButton6Click()
{
    const int index = selectedPhrase();
    if (index < 0)
        return;
    m_model->remove(index);
    m_list->setCurrentIndex(QModelIndex());
    m_list->clearSelection();
}

void ControlPanel::SCButton1Click()
{
    const int index = selectedPhrase();
    if (index < 0)
        return;
    m_operations.run(QStringLiteral("phrase"), m_phrases.at(index));
}

void ControlPanel::SCButton9Click()
{
    const int index = selectedPhrase();
    if (index < 0)
        return;
    m_clock.setClockText(m_phrases.at(index));
    m_label3->setText(m_clock.ClockText());
    m_clock.requestRedraw();
    m_clock.ClockTick();
}

void ControlPanel::SCButton12Click()
{
    m_clock.setClockText(m_settings.text(key::SCEdit41));
    m_label3->clear();
    m_clock.requestRedraw();
    m_clock.ClockTick();
}

void ControlPanel::CheckBox1Click(bool checked)
{
    // The settings box follows, and the clock window with it.
    m_settings.setChecked(key::SCCheckbox7, checked);
}

void ControlPanel::SCButton11Click()
{
    if (m_clockBox->isChecked()) {
        m_windows.clock.show();
        m_windows.clock.raise();
    }
    m_windows.strip.show();
    m_windows.strip.raise();
}

void ControlPanel::showMainNormal()
{
    m_windows.main.showNormal();
    m_windows.main.raise();
    m_windows.main.activateWindow();
}

void ControlPanel::SCButton3Click()
{
    m_operations.run(kShowOperation);
}

void ControlPanel::N3Click()
{
    showNormal();
    raise();
    activateWindow();
}

void ControlPanel::SCButton7Click()
{
    m_windows.main.move(m_settings.integer(key::SCEdit96), m_settings.integer(key::SCEdit94));
    m_windows.main.showNormal();
    m_windows.main.lower();
    m_windows.main.showPage(pageid::Dispatcher);
}

void ControlPanel::SCButton5Click()
{
    if (!m_tray.isAvailable()) {
        // No notification area to come back from: the panel stays, only the main window goes.
        if (!m_noTrayReported) {
            m_noTrayReported = true;
            m_notifier.message(QString::fromUtf8(kNoTrayMessage));
        }
        m_windows.main.hide();
        N3Click();
        return;
    }
    m_windows.main.hide();
    hide();
    m_tray.show();
}

bool ControlPanel::SCButton17Click()
{
    if (!m_notifier.confirm(QString::fromUtf8(kExitTitle), QString::fromUtf8(kExitQuestion)))
        return false;
    m_operations.run(kExitOperation);
    return true;
}

void ControlPanel::Label1Click()
{
    m_notifier.message(QStringLiteral("Диспетчер включен!"));
}

void ControlPanel::trayLeftClick()
{
    m_tray.hide();
    N3Click();
    showMainNormal();
}

void ControlPanel::trayRightClick()
{
    if (m_windows.main.isVisible()) {
        m_windows.main.raise();
        m_windows.main.activateWindow();
    }
    m_popup->popup(QCursor::pos());
}

void ControlPanel::updatePlayerButtons()
{
    for (const auto& [b, operation] : m_playerButtons)
        if (b)
            b->setEnabled(m_operations.contains(operation));
}

void ControlPanel::watchKeys(QObject* watched)
{
    filterEventsGuarded(watched, Origin::byOperator(QStringLiteral("controlpanel")),
                        [this, watched](QEvent* event) { return keyEvent(watched, event); });
}

bool ControlPanel::keyEvent(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Insert && watched != m_list) {
            run([this] { SCButton4Click(); });
            return true;
        }
        if (key == Qt::Key_Delete && watched == m_list) {
            run([this] { SCButton6Click(); });
            return true;
        }
    }
    return false;
}

void ControlPanel::closeEvent(QCloseEvent* event)
{
    // Never stranded: the desktop closing the panel while the main window is hidden and no icon
    // waits in the notification area would leave no way back. The program's own closes (its
    // end asks every window) always go through, or it could not end.
    if (event->spontaneous() && !m_windows.main.isVisible() && !m_tray.isShown()) {
        event->ignore();
        return;
    }
    emit closing();
    QWidget::closeEvent(event);
}

void ControlPanel::showEvent(QShowEvent* event)
{
    updatePlayerButtons();
    QWidget::showEvent(event);
}

}  // namespace velumo
