#include "pageschema.h"

#include <stdexcept>
#include <string>

namespace velumo {

const PageSpec& pageSpec(std::string_view id)
{
    if (const PageSpec* p = findPage(id))
        return *p;
    throw std::invalid_argument("settings page not declared: " + std::string(id));
}

const GroupSpec& groupSpec(std::string_view id)
{
    if (const GroupSpec* g = findGroup(id))
        return *g;
    throw std::invalid_argument("settings group not declared: " + std::string(id));
}

}  // namespace velumo
