#include "mainwindowcomponents.h"

#include <cstddef>
#include <iterator>
#include <string_view>

#include "base/controlorder.h"
#include "base/pageschema.h"
#include "ui/windowcomponents.h"

namespace velumo {

namespace {

constexpr std::ptrdiff_t componentIndex(std::string_view name)
{
    for (std::size_t i = 0; i < std::size(kMainWindowComponents); ++i)
        if (name == kMainWindowComponents[i])
            return static_cast<std::ptrdiff_t>(i);
    return -1;
}

// The declared component order holds every page, group and control, the controls in the
// schema's order (the files keep one line per component in that order).
constexpr bool componentsFollowSchema()
{
    std::ptrdiff_t previous = -1;
    for (const char* control : kControlOrder) {
        const std::ptrdiff_t index = componentIndex(control);
        if (index <= previous)
            return false;
        previous = index;
    }
    for (const PageSpec& p : kPages)
        if (componentIndex(p.id) < 0)
            return false;
    for (const GroupSpec& g : kGroups)
        if (componentIndex(g.id) < 0)
            return false;
    return true;
}
static_assert(componentsFollowSchema(), "the declared component order and the schema disagree");

}  // namespace

std::span<const char* const> mainWindowComponents()
{
    return kMainWindowComponents;
}

}  // namespace velumo
