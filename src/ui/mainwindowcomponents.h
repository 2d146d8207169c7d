#pragma once

#include <QString>
#include <span>

namespace velumo {

// The object names of the main settings window's components, first to last.
std::span<const char* const> mainWindowComponents();

// The declared object name of a page (by its path, "Настройки > Строка") or of a group box (page
// path, '\x1f', group path); empty for one that is not declared.
QString declaredContainerName(const QString& key);

}  // namespace velumo
