#include "mainwindowcomponents.h"

#include "base/windowcomponents.h"

namespace velumo {

std::span<const char* const> mainWindowComponents()
{
    return kMainWindowComponents;
}

}  // namespace velumo
