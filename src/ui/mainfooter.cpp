#include "mainfooter.h"

#include <algorithm>

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "base/guard.h"
#include "base/notifier.h"
#include "base/settingskeys.h"
#include "base/version.h"
#include "ui/mainpagebar.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

// Keeps a sideways-scrolling row as tall as its content, and its scroll bar when that shows.
void keepRowHeight(QScrollArea* area)
{
    const auto fit = [area] {
        const QScrollBar* bar = area->horizontalScrollBar();
        const int height = area->widget() ? area->widget()->sizeHint().height() : 0;
        area->setFixedHeight(height + (bar->isVisible() ? bar->sizeHint().height() : 0));
    };
    for (QObject* watched :
         {static_cast<QObject*>(area), static_cast<QObject*>(area->horizontalScrollBar())})
        filterEventsGuarded(
            watched, Origin::byOperator(QStringLiteral("shellmodule")), [fit](QEvent* event) {
                if (event->type() == QEvent::Show || event->type() == QEvent::Hide ||
                    event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
                    fit();
                return false;
            });
    fit();
}

}  // namespace

MainFooter::MainFooter(SettingsWindow& window, Notifier& notifier, Actions actions)
    : QWidget(window.centralWidget()),
      m_window(window),
      m_notifier(notifier),
      m_lines(new QVBoxLayout(this)),
      m_row(new QHBoxLayout())
{
    m_lines->setContentsMargins(0, 0, 0, 0);
    window.footer()->addWidget(this);
    if (auto* password = qobject_cast<QLineEdit*>(window.control(key::SCEdit102))) {
        password->setEchoMode(QLineEdit::Password);
        password->setPlaceholderText(QStringLiteral("Пароль администратора"));
        password->setMaximumWidth(220);
        // Wide enough to show its placeholder whole.
        password->setMinimumWidth(std::min(
            220, password->fontMetrics().horizontalAdvance(password->placeholderText()) + 24));
        m_row->addWidget(password);
    }
    addButton("SCButton92", QStringLiteral("Вход админа"), QString(), actions.adminEntry);
    m_row->addStretch(1);
    addButton("SCButton10", QStringLiteral("Сохранить настройки"),
              QStringLiteral("Сохранить настройки"), actions.save);
    m_autostart = addButton("SCButton4", QStringLiteral("Автозагрузка"),
                            QStringLiteral("Запись в папку \"Автозагрузка\""), actions.autostart);
    addButton("SCButton5", QStringLiteral("Помощь"), QStringLiteral("Помощь"),
              [&notifier] { notifier.message(helpText()); });
    addButton("SCButton6", QStringLiteral("Выход"), QStringLiteral("Выход из программы"),
              actions.exit);
    // The row scrolls sideways on a screen too narrow for all of it: the window never needs
    // more width than the screen has.
    m_rowWidget = new QWidget(this);
    m_rowWidget->setLayout(m_row);
    m_row->setContentsMargins(0, 0, 0, 0);
    auto* rowArea = new QScrollArea(this);
    rowArea->setFrameShape(QFrame::NoFrame);
    rowArea->setWidgetResizable(true);
    rowArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rowArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    rowArea->setWidget(m_rowWidget);
    keepRowHeight(rowArea);
    m_lines->addWidget(rowArea);
    // The second exit, on the tool bar, ends the program the same way. It has no line of its
    // own in velumo_lang.cfg, whose lines stay those of earlier versions.
    QPushButton* exit =
        mainpagebar::addButton(window, QStringLiteral("SCButton77"), QStringLiteral("Выход"),
                               QStringLiteral("Выход из программы"), true);
    connectGuarded(exit, &QPushButton::clicked, exit,
                   Origin::byOperator(QStringLiteral("shellmodule")),
                   [&notifier, action = actions.exit] { guarded(notifier, action); });

    auto* foot = new QLabel(
        QStringLiteral("Velumo %1 — бегущая строка и диспетчер вещания").arg(programVersion()),
        this);
    foot->setObjectName(QStringLiteral("Label79"));
    foot->setEnabled(false);
    m_lines->addWidget(foot);
    window.addComponent(foot, ComponentClass::FixedLabel);
}

QString MainFooter::helpText()
{
    return QStringLiteral(
        "Velumo — бегущая строка и диспетчер вещания.\nСправка и "
        "техническая поддержка: https://velumo.example.org/support");
}

QPushButton* MainFooter::addButton(const char* name, const QString& caption, const QString& hint,
                                   std::function<void()> action)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    m_row->addWidget(button);
    m_window.addComponent(button, ComponentClass::Button);
    connectGuarded(button, &QPushButton::clicked, button,
                   Origin::byOperator(QStringLiteral("shellmodule")),
                   [this, action = std::move(action)] { guarded(m_notifier, action); });
    return button;
}

void MainFooter::addBeside(QPushButton* button, QWidget* widget)
{
    widget->setParent(m_rowWidget);
    m_row->insertWidget(m_row->indexOf(button) + 1, widget);
}

void MainFooter::addLine(QWidget* widget)
{
    m_lines->addWidget(widget);
}

}  // namespace velumo
