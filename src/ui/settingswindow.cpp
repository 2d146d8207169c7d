#include "settingswindow.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <climits>
#include <functional>
#include <limits>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "base/controlspec.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/pageschema.h"
#include "base/settings.h"
#include "base/version.h"
#include "base/wincolor.h"
#include "componenttext.h"
#include "dialogspec.h"
#include "fieldlook.h"
#include "mainwindowcomponents.h"
#include "typingfilter.h"
#include "ui/mainpagebar.h"

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

// An eye, struck through while the text is hidden.
QIcon revealIcon(bool shown, const QColor& colour)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 2.5));
    QPainterPath eye;
    eye.moveTo(3, 16);
    eye.quadTo(16, 3, 29, 16);
    eye.quadTo(16, 29, 3, 16);
    painter.drawPath(eye);
    painter.setBrush(colour);
    painter.drawEllipse(QPointF(16, 16), 4.5, 4.5);
    if (!shown)
        painter.drawLine(QPointF(6, 27), QPointF(26, 5));
    painter.end();
    return QIcon(pixmap);
}

// The field shows dots; a toggle at its end shows the text while it is checked.
void makeSecret(QLineEdit* edit)
{
    edit->setEchoMode(QLineEdit::Password);
    const QColor colour = edit->palette().color(QPalette::Text);
    auto* reveal = edit->addAction(revealIcon(false, colour), QLineEdit::TrailingPosition);
    reveal->setObjectName(edit->objectName() + QStringLiteral("Reveal"));
    reveal->setCheckable(true);
    reveal->setToolTip(QStringLiteral("Показать"));
    connectGuarded(
        reveal, &QAction::toggled, edit, Origin::byOperator(QStringLiteral("settingswindow")),
        [edit, reveal, colour](bool shown) {
            edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
            reveal->setIcon(revealIcon(shown, colour));
            reveal->setToolTip(shown ? QStringLiteral("Скрыть") : QStringLiteral("Показать"));
        });
}

// Width of a line edit that shows chars characters.
int editWidth(const QLineEdit* edit, int chars)
{
    const QFontMetrics metrics = edit->fontMetrics();
    // The edit's own size hint is 17 "x" wide plus its frame and margins.
    const int frame = edit->sizeHint().width() - 17 * metrics.horizontalAdvance(u'x');
    // One character more than asked for: the cursor and digits wider than the average.
    const int charWidth = std::max(metrics.averageCharWidth(), metrics.horizontalAdvance(u'0'));
    int width = frame + (chars + 1) * charWidth;
    for (const QAction* action : edit->actions())
        if (action->isVisible())
            width += metrics.height() + 8;
    return width;
}

}  // namespace

SettingsWindow::SettingsWindow(Settings& settings, Notifier* notifier, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_notifier(notifier)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(caption());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        resize(initialSize(screen->availableGeometry().size()));
    else
        resize(initialSize(QSize(1920, 1080)));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_top = new QTabWidget(central);
    m_top->setObjectName(QStringLiteral("PageControl1"));
    m_top->setDocumentMode(true);
    layout->addWidget(m_top, 1);
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

    for (const auto& [caption, name] : kPageSets) {
        auto* tabs = new QTabWidget(m_top);
        tabs->setObjectName(name);
        tabs->setTabBarAutoHide(true);
        m_top->addTab(tabs, caption);
        m_pageSetWidgets.insert(name, tabs);
        addComponent(tabs, ComponentClass::Other);
    }
    buildFromSchema();
    connectGuarded(&m_settings, &Settings::changed, this,
                   Origin::byOperator(QStringLiteral("settingswindow")),
                   &SettingsWindow::onSettingChanged);
}

QString SettingsWindow::caption()
{
    return QStringLiteral("   Велумо  v. ") + programVersion();
}

QSize SettingsWindow::initialSize(const QSize& available)
{
    // The pages scroll; the window keeps within the screen, room left for a frame and a panel.
    return QSize(1120, 780).boundedTo(available - QSize(40, 60));
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

QWidget* SettingsWindow::page(std::string_view pageId)
{
    const PageSpec& declared = pageSpec(pageId);
    const QString id = QString::fromLatin1(declared.id);
    if (auto it = m_pages.constFind(id); it != m_pages.constEnd())
        return it->content;
    const QStringList parts = QString::fromUtf8(declared.path).split(kSeparator);
    QTabWidget* tabs = pageSetTabs(parts.first());
    // Intermediate levels are tab widgets of their own.
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
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
    scroll->setObjectName(id);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setProperty("caption", caption);
    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setAlignment(Qt::AlignTop);
    scroll->setWidget(content);
    tabs->addTab(scroll, caption);
    addComponent(scroll, ComponentClass::Page);
    m_pages.insert(id, {content, layout});
    return content;
}

QWidget* SettingsWindow::addUnsavedPage(const QString& path, const QString& name)
{
    const QStringList parts = path.split(kSeparator);
    QTabWidget* tabs = pageSetTabs(parts.first());
    auto* scroll = new QScrollArea(tabs);
    scroll->setObjectName(name);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setAlignment(Qt::AlignTop);
    scroll->setWidget(content);
    tabs->addTab(scroll, parts.last());
    return content;
}

QGroupBox* SettingsWindow::group(std::string_view groupId)
{
    const GroupSpec& declared = groupSpec(groupId);
    const QString id = QString::fromLatin1(declared.id);
    if (QGroupBox* box = m_groups.value(id))
        return box;
    const std::string_view path = declared.path;
    const auto last = path.rfind(" > ");
    QGroupBox* box = nullptr;
    if (last == std::string_view::npos) {
        page(declared.page);
        const Page& p = m_pages[QString::fromLatin1(declared.page)];
        box = new QGroupBox(QString::fromUtf8(declared.path), p.content);
        p.layout->addWidget(box);
    } else {
        QGroupBox* outer = group(findGroup(declared.page, path.substr(0, last))->id);
        const std::string_view caption = path.substr(last + 3);
        box = new QGroupBox(QString::fromUtf8(caption.data(), qsizetype(caption.size())), outer);
        static_cast<QFormLayout*>(outer->layout())->addRow(box);
    }
    box->setObjectName(id);
    // The form keeps the style's spacings: a row laid out inside it takes the form's spacing only
    // while the horizontal and vertical ones agree, and otherwise has none (glued buttons).
    auto* form = new QFormLayout(box);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    addComponent(box, ComponentClass::GroupBox);
    m_groups.insert(id, box);
    return box;
}

QPushButton* SettingsWindow::addButton(std::string_view groupId, const QString& name,
                                       const QString& caption, const QString& hint)
{
    QGroupBox* box = group(groupId);
    auto* button = new QPushButton(caption, box);
    button->setObjectName(name);
    button->setToolTip(hint);
    placeButton(groupId, button);
    addComponent(button, ComponentClass::Button);
    return button;
}

void SettingsWindow::placeButton(std::string_view groupId, QAbstractButton* button)
{
    QGroupBox* box = group(groupId);
    button->setParent(box);
    // Buttons keep their own width, at the left of the group; buttons added one after another
    // share a row as long as it stays narrow enough for a window beside the panel.
    auto* form = static_cast<QFormLayout*>(box->layout());
    QHBoxLayout* row = m_buttonRows.value(box);
    const int last = form->rowCount() - 1;
    int rowWidth = button->sizeHint().width();
    if (row)
        for (int i = 0; i < row->count(); ++i)
            if (QWidget* widget = row->itemAt(i)->widget())
                rowWidth += widget->sizeHint().width() + kButtonSpacing;
    if (!row || last < 0 || form->itemAt(last, QFormLayout::SpanningRole) != row ||
        rowWidth > kButtonRowWidth) {
        row = new QHBoxLayout();
        row->addStretch(1);
        form->addRow(row);
        m_buttonRows.insert(box, row);
    }
    row->insertWidget(row->count() - 1, button);
}

QWidget* SettingsWindow::createControl(const ControlSpec& entry)
{
    const QString name = QString::fromLatin1(entry.name);
    const FieldLook look = fieldLook(entry);
    QWidget* widget = nullptr;
    switch (entry.kind) {
        case ControlKind::Text: {
            auto* edit = new QLineEdit(this);
            edit->setObjectName(name);
            TypingFilter::install(edit, entry.filter);
            if (look.secret)
                makeSecret(edit);
            // A colour field shows its colour from the start.
            if (look.colour)
                m_colourFields.insert(name);
            // A field is as wide as what it holds: numbers and times stay narrow.
            if (look.widthChars > 0)
                edit->setMaximumWidth(editWidth(edit, look.widthChars));
            edit->setReadOnly(look.counter);
            widget = edit;
            break;
        }
        case ControlKind::Spin: {
            auto* spin = new QSpinBox(this);
            spin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            if (!look.unit.isEmpty())
                spin->setSuffix(u' ' + look.unit);
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
        if (std::string_view(entry.page).empty()) {
            // Controls outside the pages stand in the footer.
            widget->setParent(centralWidget());
            m_footer->addWidget(widget);
        } else {
            QGroupBox* box = group(entry.group);
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
                const FieldLook look = fieldLook(entry);
                if (look.counter) {
                    // Counters stand side by side, each after its caption.
                    QHBoxLayout* row = mainpagebar::counterRow(box);
                    if (!row) {
                        row = new QHBoxLayout();
                        row->setObjectName(QString::fromLatin1(mainpagebar::kCounterRowName));
                        row->setSpacing(10);
                        row->addStretch(1);
                        form->addRow(row);
                    }
                    row->insertWidget(row->count() - 1, label);
                    row->insertWidget(row->count() - 1, widget);
                } else if (look.unit.isEmpty() || entry.kind == ControlKind::Spin) {
                    form->addRow(label, widget);
                } else {
                    // The unit stands right of the number.
                    auto* row = new QHBoxLayout();
                    row->addWidget(widget);
                    row->addWidget(new QLabel(look.unit, box));
                    row->addStretch(1);
                    form->addRow(label, row);
                }
            }
        }
        bindControl(widget, name);
    }
    for (const JoinedRow& joined : joinedRows())
        joinRow(QString::fromLatin1(joined.check), QString::fromLatin1(joined.field),
                joined.captionAfterField);
}

void SettingsWindow::joinRow(const QString& checkName, const QString& fieldName,
                             bool captionAfterField)
{
    QWidget* check = m_controls.value(checkName);
    QWidget* field = m_controls.value(fieldName);
    auto* box = check ? qobject_cast<QGroupBox*>(check->parentWidget()) : nullptr;
    if (!field || !box || field->parentWidget() != box)
        return;
    auto* form = static_cast<QFormLayout*>(box->layout());
    int fieldRow = -1;
    QFormLayout::ItemRole role;
    form->getWidgetPosition(field, &fieldRow, &role);
    if (fieldRow < 0)
        return;
    QFormLayout::TakeRowResult taken = form->takeRow(fieldRow);
    QWidget* caption = taken.labelItem ? taken.labelItem->widget() : nullptr;
    delete taken.labelItem;
    delete taken.fieldItem;
    int checkRow = -1;
    form->getWidgetPosition(check, &checkRow, &role);
    taken = form->takeRow(checkRow);
    delete taken.labelItem;
    delete taken.fieldItem;

    auto* row = new QHBoxLayout();
    row->addWidget(check);
    if (caption && !captionAfterField)
        row->addWidget(caption);
    row->addWidget(field);
    if (caption && captionAfterField)
        row->addWidget(caption);
    row->addStretch(1);
    form->insertRow(checkRow, row);
}

QStringList SettingsWindow::pageIds() const
{
    QStringList ids = m_pages.keys();
    ids.sort();
    return ids;
}

void SettingsWindow::alignLabelColumns()
{
    // The groups of a page and the groups nested in their rows line their fields up in one
    // column: each label column is widened so that every field starts where the widest
    // label's does.
    const auto formOf = [](QGroupBox* box) { return qobject_cast<QFormLayout*>(box->layout()); };
    const auto nestedIn = [&](QGroupBox* box) {
        auto* outer = qobject_cast<QGroupBox*>(box->parentWidget());
        if (!outer || !formOf(outer))
            return false;
        int row = -1;
        QFormLayout::ItemRole role;
        formOf(outer)->getWidgetPosition(box, &row, &role);
        return row >= 0 && role == QFormLayout::SpanningRole;
    };
    struct Column {
        QFormLayout* form;
        int left;  // where its labels start, from the left of the outermost group
        QList<QLabel*> labels;
    };
    // Groups standing side by side in one page share the column too.
    QHash<QWidget*, QList<Column>> columnsOf;
    for (QGroupBox* root : findChildren<QGroupBox*>()) {
        if (!formOf(root) || root->isHidden() || nestedIn(root))
            continue;
        QList<Column>& columns = columnsOf[root->parentWidget()];
        std::function<void(QGroupBox*, int)> collect = [&](QGroupBox* box, int origin) {
            box->ensurePolished();
            QFormLayout* form = formOf(box);
            const int left =
                origin + box->contentsMargins().left() + form->contentsMargins().left();
            Column column{form, left, {}};
            for (int row = 0; row < form->rowCount(); ++row) {
                if (QLayoutItem* item = form->itemAt(row, QFormLayout::LabelRole))
                    if (auto* label = qobject_cast<QLabel*>(item->widget());
                        label && !label->isHidden())
                        column.labels.append(label);
                if (QLayoutItem* item = form->itemAt(row, QFormLayout::SpanningRole))
                    if (auto* inner = qobject_cast<QGroupBox*>(item->widget()))
                        if (formOf(inner) && !inner->isHidden())
                            collect(inner, left);
            }
            columns.append(column);
        };
        collect(root, 0);
    }
    for (const QList<Column>& columns : std::as_const(columnsOf)) {
        int fieldsAt = 0;
        for (const Column& column : columns) {
            for (QLabel* label : column.labels) {
                label->setMinimumWidth(0);
                int width = label->sizeHint().width();
                // A long caption wraps instead of pushing every field to the right.
                if (label->wordWrap())
                    width = std::min(width, kWrappedLabelWidth);
                fieldsAt = std::max(fieldsAt, column.left + width);
            }
        }
        for (const Column& column : columns)
            for (QLabel* label : column.labels)
                label->setMinimumWidth(fieldsAt - column.left);
    }
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    alignLabelColumns();
    QMainWindow::showEvent(event);
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
        connectGuarded(edit, &QLineEdit::textChanged, this,
                       Origin::byOperator(QStringLiteral("settingswindow")), store);
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        addComponent(spin, ComponentClass::Other);
        connectGuarded(spin, &QSpinBox::valueChanged, this,
                       Origin::byOperator(QStringLiteral("settingswindow")),
                       [store](int value) { store(QString::number(value)); });
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        addComponent(check, ComponentClass::CheckBox);
        connectGuarded(
            check, &QCheckBox::toggled, this, Origin::byOperator(QStringLiteral("settingswindow")),
            [store](bool on) { store(on ? QStringLiteral("True") : QStringLiteral("False")); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        addComponent(combo, ComponentClass::Combo);
        connectGuarded(combo, &QComboBox::currentTextChanged, this,
                       Origin::byOperator(QStringLiteral("settingswindow")), store);
    }
    Q_UNUSED(entry);
    onSettingChanged(name);
}

void SettingsWindow::onSettingChanged(const QString& name)
{
    QWidget* widget = m_controls.value(name);
    if (!widget)
        return;
    const QString value = m_settings.text(name);
    // Typed or set from elsewhere, a colour field shows its colour; a half-typed number shows
    // as black until it is one.
    if (m_colourFields.contains(name))
        showColour(widget, strToIntDef(value, 0));
    if (m_updating)
        return;
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
    if (isVisible())
        alignLabelColumns();
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

void SettingsWindow::showPage(std::string_view pageId)
{
    QWidget* content = page(pageId);
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
    const int number = m_settings.integer(name);
    // From now on the field shows whatever colour its text comes to hold.
    m_colourFields.insert(name);
    showColour(widget, number);
}

void SettingsWindow::showColour(QWidget* widget, int number)
{
    const QColor colour = colorFromNumber(number);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Text, readableTextColor(colour));
    widget->setPalette(palette);
}

void SettingsWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit closeRequested();
}

}  // namespace velumo
