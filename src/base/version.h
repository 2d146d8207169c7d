#pragma once

#include <QString>

namespace velumo {

// The program's version ("7.9.10"): CMake's project version, which the core library alone is
// compiled with (VELUMO_VERSION). Every text that names the version reads it here, so a new
// version is one line of the top CMakeLists.txt and one recompiled file.
QString programVersion();

}  // namespace velumo
