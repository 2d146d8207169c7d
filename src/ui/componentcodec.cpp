#include "componentcodec.h"

#include <QHash>
#include <QTabWidget>
#include <QWidget>
#include <algorithm>
#include <climits>

#include "componenttext.h"
#include "dialogspec.h"
#include "mainwindowcomponents.h"

namespace velumo {

void ComponentCodec::add(QObject* object, ComponentClass cls)
{
    m_components.append({QPointer<QObject>(object), cls});
}

QList<ComponentCodec::Entry> ComponentCodec::declaredOrder() const
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
    const auto rankOf = [](const Entry& c) {
        return c.first ? rank.value(c.first->objectName(), INT_MAX) : INT_MAX;
    };
    std::stable_sort(ordered.begin(), ordered.end(),
                     [&](const auto& a, const auto& b) { return rankOf(a) < rankOf(b); });
    return ordered;
}

QStringList ComponentCodec::componentNames() const
{
    QStringList names;
    for (const auto& [object, cls] : declaredOrder())
        names.append(object ? object->objectName() : QString());
    return names;
}

QList<UiComponent> ComponentCodec::components() const
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

void ComponentCodec::apply(const QList<UiComponent>& components) const
{
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
}

}  // namespace velumo
