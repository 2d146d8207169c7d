#pragma once

#include <QString>
#include <array>

namespace velumo {

// The ten thematic icon slots: the path field of slot 0 to slot 9.
inline constexpr std::array<const char*, 10> kIconSlotKeys = {
    "SCEdit22", "SCEdit23", "SCEdit24", "SCEdit25", "SCEdit26",
    "SCEdit31", "SCEdit32", "SCEdit33", "SCEdit34", "SCEdit35",
};

// A slot plays an animation exactly when its file's extension (from the last dot on) is
// ".avi", compared case-sensitively; every other file, ".AVI" included, is a picture.
bool isAnimationPath(const QString& path);

}  // namespace velumo
