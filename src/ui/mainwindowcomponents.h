#pragma once

#include <span>

namespace velumo {

// The object names of the main settings window's components, first to last.
std::span<const char* const> mainWindowComponents();

}  // namespace velumo
