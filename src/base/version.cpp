#include "version.h"

#ifndef VELUMO_VERSION
#error "VELUMO_VERSION is the project version, defined for the core library in src/CMakeLists.txt"
#endif

namespace velumo {

QString programVersion()
{
    return QStringLiteral(VELUMO_VERSION);
}

}  // namespace velumo
