#include "settingswindow.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <climits>

#include <limits>

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/controlspec.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/wincolor.h"
#include "componenttext.h"
#include "dialogspec.h"
#include "mainwindowcomponents.h"
#include "typingfilter.h"

namespace velumo {

namespace {

const QString kSeparator = QStringLiteral(" > ");

// The page sets of the window, in tab order, with their component names.
const QList<QPair<QString, QString>> kPageSets = {
    {QStringLiteral("Бегущая строка"), QStringLiteral("PageControl5")},
    {QStringLiteral("Настройки"), QStringLiteral("PageControl2")},
    {QStringLiteral("ЦУП"), QStringLiteral("PageControl3")},
    {QStringLiteral("FTP"), QStringLiteral("PageControl4")},
    {QStringLiteral("Интернет"), QStringLiteral("PageControl7")},
};

QString pageSetName(const QString& top)
{
    for (const auto& [caption, name] : kPageSets)
        if (caption == top)
            return name;
    return QString();
}

}  // namespace

SettingsWindow::SettingsWindow(Settings& settings, Notifier* notifier, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_notifier(notifier)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QString::fromUtf8(kCaption));
    resize(1120, 780);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_top = new QTabWidget(central);
    m_top->setObjectName(QStringLiteral("PageControl1"));
    m_top->setDocumentMode(true);
    layout->addWidget(m_top, 1);
    m_footer = new QVBoxLayout();
    layout->addLayout(m_footer);
    setCentralWidget(central);

    for (const auto& [caption, name] : kPageSets) {
        auto* tabs = new QTabWidget(m_top);
        tabs->setObjectName(name);
        tabs->setTabBarAutoHide(true);
        m_top->addTab(tabs, caption);
        m_pageSetWidgets.insert(name, tabs);
        addComponent(tabs, ComponentClass::Other);
    }
    buildFromSchema();
    connect(&m_settings, &Settings::changed, this, &SettingsWindow::onSettingChanged);
}

QTabWidget* SettingsWindow::pageSetTabs(const QString& top)
{
    const QString name = pageSetName(top);
    if (!name.isEmpty())
        return static_cast<QTabWidget*>(m_pageSetWidgets.value(name));
    auto* tabs = new QTabWidget(m_top);
    m_top->addTab(tabs, top);
    m_pageSetWidgets.insert(top, tabs);
    return tabs;
}

QWidget* SettingsWindow::page(const QString& path)
{
    if (auto it = m_pages.constFind(path); it != m_pages.constEnd())
        return it->content;
    const QStringList parts = path.split(kSeparator);
    QTabWidget* tabs = pageSetTabs(parts.first());
    // Intermediate levels are tab widgets of their own.
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        const QString level = parts.mid(0, i + 1).join(kSeparator);
        QTabWidget* inner = nullptr;
        for (int t = 0; t < tabs->count(); ++t)
            if (tabs->tabText(t) == parts[i])
                inner = qobject_cast<QTabWidget*>(tabs->widget(t));
        if (!inner) {
            inner = new QTabWidget(tabs);
            inner->setObjectName(QStringLiteral("PageControl_%1").arg(++m_pageCount));
            tabs->addTab(inner, parts[i]);
        }
        tabs = inner;
    }
    const QString caption = parts.size() > 1 ? parts.last() : parts.first();
    auto* scroll = new QScrollArea(tabs);
    // Declared names, so that the order in which the pages are built never renames them.
    QString name = declaredContainerName(path);
    scroll->setObjectName(name.isEmpty() ? QStringLiteral("TabSheetX%1").arg(++m_pageCount) : name);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setProperty("caption", caption);
    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setAlignment(Qt::AlignTop);
    scroll->setWidget(content);
    tabs->addTab(scroll, caption);
    addComponent(scroll, ComponentClass::Page);
    m_pages.insert(path, {content, layout});
    return content;
}

QGroupBox* SettingsWindow::group(const QString& pagePath, const QString& groupPath)
{
    const QString key = pagePath + u'\x1f' + groupPath;
    if (QGroupBox* box = m_groups.value(key))
        return box;
    const QStringList parts = groupPath.split(kSeparator);
    QGroupBox* box = nullptr;
    if (parts.size() == 1) {
        page(pagePath);
        const Page& p = m_pages[pagePath];
        box = new QGroupBox(groupPath, p.content);
        p.layout->addWidget(box);
    } else {
        QGroupBox* outer = group(pagePath, parts.mid(0, parts.size() - 1).join(kSeparator));
        box = new QGroupBox(parts.last(), outer);
        static_cast<QFormLayout*>(outer->layout())->addRow(box);
    }
    const QString name = declaredContainerName(key);
    box->setObjectName(name.isEmpty() ? QStringLiteral("GroupBoxX%1").arg(++m_groupCount) : name);
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setHorizontalSpacing(16);
    addComponent(box, ComponentClass::GroupBox);
    m_groups.insert(key, box);
    return box;
}

QPushButton* SettingsWindow::addButton(const QString& pagePath, const QString& groupPath,
                                       const QString& name, const QString& caption,
                                       const QString& hint)
{
    QGroupBox* box = group(pagePath, groupPath);
    auto* button = new QPushButton(caption, box);
    button->setObjectName(name);
    button->setToolTip(hint);
    // Buttons keep their own width, at the left of the group.
    auto* row = new QHBoxLayout();
    row->addWidget(button);
    row->addStretch(1);
    static_cast<QFormLayout*>(box->layout())->addRow(row);
    addComponent(button, ComponentClass::Button);
    return button;
}

QWidget* SettingsWindow::createControl(const ControlSpec& entry)
{
    const QString name = QString::fromLatin1(entry.name);
    QWidget* widget = nullptr;
    switch (entry.kind) {
        case ControlKind::Text: {
            auto* edit = new QLineEdit(this);
            TypingFilter::install(edit, entry.filter);
            // Numbers and times are short: their fields stay narrow.
            if (entry.filter != InputFilter::None)
                edit->setMaximumWidth(160);
            widget = edit;
            break;
        }
        case ControlKind::Spin: {
            auto* spin = new QSpinBox(this);
            spin->setMaximumWidth(160);
            if (entry.minimum < entry.maximum)
                spin->setRange(entry.minimum, entry.maximum);
            else
                // No limits of its own: the widget must show every integer the store holds.
                spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
            widget = spin;
            break;
        }
        case ControlKind::Check:
            widget = new QCheckBox(QString::fromUtf8(entry.caption), this);
            break;
        case ControlKind::Combo: {
            auto* combo = new QComboBox(this);
            const QString items = QString::fromUtf8(entry.items);
            if (!items.isEmpty())
                combo->addItems(items.split(u'\n'));
            widget = combo;
            break;
        }
    }
    widget->setObjectName(name);
    widget->setToolTip(QString::fromUtf8(entry.hint));
    return widget;
}

void SettingsWindow::buildFromSchema()
{
    for (const ControlSpec& entry : controlSchema()) {
        const QString name = QString::fromLatin1(entry.name);
        if (m_controls.contains(name))
            continue;
        QWidget* widget = createControl(entry);
        const QString caption = QString::fromUtf8(entry.caption);
        const QString pagePath = QString::fromUtf8(entry.page);
        if (pagePath.isEmpty()) {
            // Controls outside the pages stand in the footer.
            widget->setParent(centralWidget());
            m_footer->addWidget(widget);
        } else {
            QString groupPath = QString::fromUtf8(entry.group);
            if (groupPath.isEmpty())
                groupPath = pagePath.split(kSeparator).last();
            QGroupBox* box = group(pagePath, groupPath);
            widget->setParent(box);
            auto* form = static_cast<QFormLayout*>(box->layout());
            if (entry.kind == ControlKind::Check || caption.isEmpty()) {
                form->addRow(widget);
            } else {
                auto* label = new QLabel(caption, box);
                label->setObjectName(QStringLiteral("Label_") + name);
                // Short captions stay on one line; long ones wrap.
                label->setWordWrap(caption.size() > 40);
                addComponent(label, ComponentClass::Label);
                form->addRow(label, widget);
            }
        }
        bindControl(widget, name);
    }
}

void SettingsWindow::bindControl(QWidget* widget, const QString& name)
{
    widget->setObjectName(name);
    m_controls.insert(name, widget);
    const ControlSpec& entry = m_settings.entry(name);
    auto store = [this, name](const QString& value) {
        if (m_updating)
            return;
        {
            // Whatever a subscriber of the change does, the flag comes down again.
            const QScopedValueRollback<bool> updating(m_updating, true);
            try {
                m_settings.setText(name, value);
            } catch (...) {
                const QString text = currentExceptionText();
                if (m_notifier)
                    m_notifier->errorReport(text);
                else
                    qWarning("%s", qPrintable(text));
            }
        }
        updateHint(name);
    };
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        addComponent(edit, ComponentClass::Edit);
        connect(edit, &QLineEdit::textChanged, this, store);
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        addComponent(spin, ComponentClass::Other);
        connect(spin, &QSpinBox::valueChanged, this,
                [store](int value) { store(QString::number(value)); });
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        addComponent(check, ComponentClass::CheckBox);
        connect(check, &QCheckBox::toggled, this,
                [store](bool on) { store(on ? QStringLiteral("True") : QStringLiteral("False")); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        addComponent(combo, ComponentClass::Combo);
        connect(combo, &QComboBox::currentTextChanged, this, store);
    }
    Q_UNUSED(entry);
    onSettingChanged(name);
}

void SettingsWindow::onSettingChanged(const QString& name)
{
    QWidget* widget = m_controls.value(name);
    if (!widget || m_updating)
        return;
    const QString value = m_settings.text(name);
    {
        // The widget's own change signal must not write the value back.
        const QScopedValueRollback<bool> updating(m_updating, true);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (edit->text() != value)
                edit->setText(value);
        } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
            spin->setValue(m_settings.spin(name));
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            check->setChecked(m_settings.checked(name));
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (combo->findText(value) < 0)
                combo->addItem(value);
            combo->setCurrentText(value);
        }
    }
    updateHint(name);
}

void SettingsWindow::updateHint(const QString& name)
{
    const ControlSpec* entry = findControl(name.toLatin1().constData());
    if (entry && entry->pathField)
        if (QWidget* widget = m_controls.value(name))
            widget->setToolTip(m_settings.text(name));
}

void SettingsWindow::addComponent(QObject* object, ComponentClass cls)
{
    m_components.append({QPointer<QObject>(object), cls});
}

QList<QPair<QPointer<QObject>, ComponentClass>> SettingsWindow::declaredOrder() const
{
    // Declared components in the declared order; any other after them, in creation order.
    static const QHash<QString, int> rank = [] {
        QHash<QString, int> r;
        int i = 0;
        for (const char* name : mainWindowComponents())
            r.insert(QString::fromLatin1(name), i++);
        return r;
    }();
    auto ordered = m_components;
    const auto rankOf = [](const QPair<QPointer<QObject>, ComponentClass>& c) {
        return c.first ? rank.value(c.first->objectName(), INT_MAX) : INT_MAX;
    };
    std::stable_sort(ordered.begin(), ordered.end(),
                     [&](const auto& a, const auto& b) { return rankOf(a) < rankOf(b); });
    return ordered;
}

QStringList SettingsWindow::componentNames() const
{
    QStringList names;
    for (const auto& [object, cls] : declaredOrder())
        names.append(object ? object->objectName() : QString());
    return names;
}

QList<UiComponent> SettingsWindow::components() const
{
    QList<UiComponent> out;
    for (const auto& [object, cls] : declaredOrder()) {
        UiComponent c;
        c.cls = cls;
        if (!object) {
            c.cls = ComponentClass::Other;
            out.append(c);
            continue;
        }
        c.name = object->objectName();
        readComponentText(object, c);
        if (auto* dialog = qobject_cast<DialogSpec*>(object)) {
            c.caption = dialog->filter;
            c.hint = dialog->title;
        } else if (cls == ComponentClass::Page)
            c.caption = object->property("caption").toString();
        out.append(c);
    }
    return out;
}

void SettingsWindow::applyComponents(const QList<UiComponent>& components)
{
    // The texts come in the declared order, as components() gives them.
    const auto ordered = declaredOrder();
    for (qsizetype i = 0; i < components.size() && i < ordered.size(); ++i) {
        QObject* object = ordered[i].first;
        const UiComponent& c = components[i];
        if (!object)
            continue;
        switch (c.cls) {
            case ComponentClass::Page:
                if (auto* widget = qobject_cast<QWidget*>(object)) {
                    widget->setProperty("caption", c.caption);
                    if (auto* tabs = qobject_cast<QTabWidget*>(
                            widget->parentWidget() ? widget->parentWidget()->parentWidget()
                                                   : nullptr)) {
                        const int index = tabs->indexOf(widget);
                        if (index >= 0)
                            tabs->setTabText(index, c.caption);
                    }
                }
                break;
            case ComponentClass::Dialog:
                if (auto* dialog = qobject_cast<DialogSpec*>(object)) {
                    dialog->filter = c.caption;
                    dialog->title = c.hint;
                }
                break;
            default:
                applyComponentText(object, c);
                break;
        }
    }
    for (const QString& name : m_controls.keys())
        updateHint(name);
}

void SettingsWindow::setPageSetVisible(const QString& pageSet, bool visible)
{
    QWidget* widget = m_pageSetWidgets.value(pageSet);
    const int index = widget ? m_top->indexOf(widget) : -1;
    if (index >= 0)
        m_top->setTabVisible(index, visible);
}

bool SettingsWindow::isPageSetVisible(const QString& pageSet) const
{
    QWidget* widget = m_pageSetWidgets.value(pageSet);
    const int index = widget ? m_top->indexOf(widget) : -1;
    return index >= 0 && m_top->isTabVisible(index);
}

void SettingsWindow::showPage(const QString& path)
{
    QWidget* content = page(path);
    QWidget* child = content;
    while (child && child != m_top) {
        QWidget* parent = child->parentWidget();
        // A tab's page sits inside the tab widget's stacked widget.
        if (parent && parent->parentWidget())
            if (auto* tabs = qobject_cast<QTabWidget*>(parent->parentWidget()))
                tabs->setCurrentWidget(child);
        child = parent;
    }
}

void SettingsWindow::applyColourPreview(const QString& name)
{
    QWidget* widget = m_controls.value(name);
    if (!widget)
        return;
    const QColor colour = colorFromNumber(m_settings.integer(name));
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Text, colour.lightness() > 128 ? Qt::black : Qt::white);
    widget->setPalette(palette);
}

void SettingsWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit closeRequested();
}

}  // namespace velumo
