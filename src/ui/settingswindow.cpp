#include "settingswindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "base/version.h"
#include "componentcodec.h"
#include "labelcolumns.h"
#include "settingsbinder.h"
#include "settingspagebuilder.h"
#include "ui/mainpagebar.h"

namespace velumo {

SettingsWindow::SettingsWindow(Settings& settings, Notifier* notifier, QWidget* parent)
    : QMainWindow(parent),
      m_codec(std::make_unique<ComponentCodec>()),
      m_binder(std::make_unique<SettingsBinder>(settings, notifier, *m_codec))
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(caption());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(initialSize(screen->availableGeometry().size()));
    else
        resize(initialSize(QSize(1920, 1080)));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* top = new QTabWidget(central);
    top->setObjectName(QStringLiteral("PageControl1"));
    top->setDocumentMode(true);
    layout->addWidget(top, 1);
    m_footer = new QVBoxLayout();
    layout->addLayout(m_footer);
    setCentralWidget(central);
    // The main page's tool bar of quick buttons (mainpagebar.h).
    auto* bar = new QToolBar(QStringLiteral("Панель инструментов"), this);
    bar->setObjectName(QString::fromLatin1(mainpagebar::kToolBarName));
    bar->setMovable(false);
    bar->setFloatable(false);
    // Only its own buttons: no menu of bars to switch it off with.
    bar->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, bar);
    // Quick buttons gather at the left; what ends the program stands apart at the right.
    auto* spacer = new QWidget(bar);
    spacer->setObjectName(QString::fromLatin1(mainpagebar::kToolBarSpacerName));
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);

    m_builder = std::make_unique<SettingsPageBuilder>(*this, *top, *m_footer, *m_binder, *m_codec);
    m_builder->buildFromSchema();
}

SettingsWindow::~SettingsWindow() = default;

QString SettingsWindow::caption()
{
    return QStringLiteral("   Велумо  v. ") + programVersion();
}

QSize SettingsWindow::initialSize(const QSize& available)
{
    // The pages scroll; the window keeps within the screen, room left for a frame and a panel.
    return QSize(1120, 780).boundedTo(available - QSize(40, 60));
}

QWidget* SettingsWindow::page(std::string_view pageId)
{
    return m_builder->page(pageId);
}

QWidget* SettingsWindow::addUnsavedPage(const QString& path, const QString& name)
{
    return m_builder->addUnsavedPage(path, name);
}

QGroupBox* SettingsWindow::group(std::string_view groupId)
{
    return m_builder->group(groupId);
}

QPushButton* SettingsWindow::addButton(std::string_view groupId, const QString& name,
                                       const QString& caption, const QString& hint)
{
    return m_builder->addButton(groupId, name, caption, hint);
}

void SettingsWindow::placeButton(std::string_view groupId, QAbstractButton* button)
{
    m_builder->placeButton(groupId, button);
}

QWidget* SettingsWindow::control(const QString& name) const
{
    return m_binder->control(name);
}

void SettingsWindow::bindControl(QWidget* widget, const QString& name)
{
    m_binder->bindControl(widget, name);
}

void SettingsWindow::addComponent(QObject* object, ComponentClass cls)
{
    m_codec->add(object, cls);
}

QList<UiComponent> SettingsWindow::components() const
{
    return m_codec->components();
}

QStringList SettingsWindow::componentNames() const
{
    return m_codec->componentNames();
}

void SettingsWindow::applyComponents(const QList<UiComponent>& components)
{
    m_codec->apply(components);
    m_binder->updateHints();
    if (isVisible())
        alignLabelColumns();
}

void SettingsWindow::setPageSetVisible(const QString& pageSet, bool visible)
{
    m_builder->setPageSetVisible(pageSet, visible);
}

bool SettingsWindow::isPageSetVisible(const QString& pageSet) const
{
    return m_builder->isPageSetVisible(pageSet);
}

void SettingsWindow::showPage(std::string_view pageId)
{
    m_builder->showPage(pageId);
}

void SettingsWindow::applyColourPreview(const QString& name)
{
    m_binder->applyColourPreview(name);
}

QStringList SettingsWindow::pageIds() const
{
    return m_builder->pageIds();
}

void SettingsWindow::alignLabelColumns()
{
    velumo::alignLabelColumns(*this);
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    alignLabelColumns();
    QMainWindow::showEvent(event);
}

void SettingsWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit closeRequested();
}

}  // namespace velumo
