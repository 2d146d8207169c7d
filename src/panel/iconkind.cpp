#include "iconkind.h"

namespace velumo {

bool isAnimationPath(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot >= 0 && QStringView(path).mid(dot) == u".avi";
}

}  // namespace velumo
