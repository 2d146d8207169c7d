#include "settingspagebuilder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/controlspec.h"
#include "base/pageschema.h"
#include "componentcodec.h"
#include "controlfactory.h"
#include "fieldlook.h"
#include "settingsbinder.h"
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

}  // namespace

SettingsPageBuilder::SettingsPageBuilder(QMainWindow& window, QTabWidget& top, QVBoxLayout& footer,
                                         SettingsBinder& binder, ComponentCodec& codec)
    : m_window(window), m_top(top), m_footer(footer), m_binder(binder), m_codec(codec)
{
    for (const auto& [caption, name] : kPageSets) {
        auto* tabs = new QTabWidget(&m_top);
        tabs->setObjectName(name);
        tabs->setTabBarAutoHide(true);
        m_top.addTab(tabs, caption);
        m_pageSetWidgets.insert(name, tabs);
        m_codec.add(tabs, ComponentClass::Other);
    }
}

QTabWidget* SettingsPageBuilder::pageSetTabs(const QString& top)
{
    const QString name = pageSetName(top);
    if (!name.isEmpty())
        return static_cast<QTabWidget*>(m_pageSetWidgets.value(name));
    auto* tabs = new QTabWidget(&m_top);
    m_top.addTab(tabs, top);
    m_pageSetWidgets.insert(top, tabs);
    return tabs;
}

QWidget* SettingsPageBuilder::page(std::string_view pageId)
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
    m_codec.add(scroll, ComponentClass::Page);
    m_pages.insert(id, {content, layout});
    return content;
}

QWidget* SettingsPageBuilder::addUnsavedPage(const QString& path, const QString& name)
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

QGroupBox* SettingsPageBuilder::group(std::string_view groupId)
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
    m_codec.add(box, ComponentClass::GroupBox);
    m_groups.insert(id, box);
    return box;
}

QPushButton* SettingsPageBuilder::addButton(std::string_view groupId, const QString& name,
                                            const QString& caption, const QString& hint)
{
    QGroupBox* box = group(groupId);
    auto* button = new QPushButton(caption, box);
    button->setObjectName(name);
    button->setToolTip(hint);
    placeButton(groupId, button);
    m_codec.add(button, ComponentClass::Button);
    return button;
}

void SettingsPageBuilder::placeButton(std::string_view groupId, QAbstractButton* button)
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

void SettingsPageBuilder::buildFromSchema()
{
    for (const ControlSpec& entry : controlSchema()) {
        const QString name = QString::fromLatin1(entry.name);
        if (m_binder.control(name))
            continue;
        QWidget* widget = ControlFactory::create(entry, &m_window);
        // A colour field shows its colour from the start.
        if (fieldLook(entry).colour)
            m_binder.addColourField(name);
        const QString caption = QString::fromUtf8(entry.caption);
        if (std::string_view(entry.page).empty()) {
            // Controls outside the pages stand in the footer.
            widget->setParent(m_window.centralWidget());
            m_footer.addWidget(widget);
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
                m_codec.add(label, ComponentClass::Label);
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
        m_binder.bindControl(widget, name);
    }
    for (const JoinedRow& joined : joinedRows())
        joinRow(QString::fromLatin1(joined.check), QString::fromLatin1(joined.field),
                joined.captionAfterField);
}

void SettingsPageBuilder::joinRow(const QString& checkName, const QString& fieldName,
                                  bool captionAfterField)
{
    QWidget* check = m_binder.control(checkName);
    QWidget* field = m_binder.control(fieldName);
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

QStringList SettingsPageBuilder::pageIds() const
{
    QStringList ids = m_pages.keys();
    ids.sort();
    return ids;
}

void SettingsPageBuilder::setPageSetVisible(const QString& pageSet, bool visible)
{
    QWidget* widget = m_pageSetWidgets.value(pageSet);
    const int index = widget ? m_top.indexOf(widget) : -1;
    if (index >= 0)
        m_top.setTabVisible(index, visible);
}

bool SettingsPageBuilder::isPageSetVisible(const QString& pageSet) const
{
    QWidget* widget = m_pageSetWidgets.value(pageSet);
    const int index = widget ? m_top.indexOf(widget) : -1;
    return index >= 0 && m_top.isTabVisible(index);
}

void SettingsPageBuilder::showPage(std::string_view pageId)
{
    QWidget* content = page(pageId);
    QWidget* child = content;
    while (child && child != &m_top) {
        QWidget* parent = child->parentWidget();
        // A tab's page sits inside the tab widget's stacked widget.
        if (parent && parent->parentWidget())
            if (auto* tabs = qobject_cast<QTabWidget*>(parent->parentWidget()))
                tabs->setCurrentWidget(child);
        child = parent;
    }
}

}  // namespace velumo
