#pragma once

#include <QList>
#include <QPair>
#include <QPointer>
#include <QStringList>

#include "base/translationfile.h"

class QObject;

namespace velumo {

// The main window's components in their declared order (mainwindowcomponents.h), read into and
// written from the lines of velumo.cfg and velumo_lang.cfg: a component that is not declared
// comes after them, in the order it was added. Pages carry their caption, dialogs their filter
// and title; every other component its widget's texts (componenttext.h).
class ComponentCodec {
public:
    void add(QObject* object, ComponentClass cls);
    QList<UiComponent> components() const;
    QStringList componentNames() const;
    // The texts come in the declared order, as components() gives them.
    void apply(const QList<UiComponent>& components) const;

private:
    using Entry = QPair<QPointer<QObject>, ComponentClass>;
    QList<Entry> declaredOrder() const;

    QList<Entry> m_components;
};

}  // namespace velumo
