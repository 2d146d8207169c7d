#include "origin.h"

#include <optional>

namespace velumo {

namespace {

// One per thread: an entry point runs on the thread of its event loop.
thread_local std::optional<Origin> t_current;

}  // namespace

Origin Origin::current()
{
    return t_current ? *t_current : byOperator(QString());
}

Origin::Scope::Scope(const Origin& origin) : m_outermost(!t_current)
{
    if (m_outermost)
        t_current = origin;
}

Origin::Scope::~Scope()
{
    if (m_outermost)
        t_current.reset();
}

}  // namespace velumo
