#pragma once

#include "base/translationfile.h"

class QObject;

namespace velumo {

// The texts a translation file holds for a component's widget, shared by every window that has
// a translation file. Pages and dialogs, which only the main window has, are its own.
// Reads the caption and the hint of a label, group box, button, check box or edit.
void readComponentText(const QObject* object, UiComponent& component);
// Puts a component's translated caption or hint on its widget, by the component's class.
void applyComponentText(QObject* object, const UiComponent& component);

}  // namespace velumo
