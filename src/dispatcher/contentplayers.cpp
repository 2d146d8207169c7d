#include "contentplayers.h"

namespace velumo {

QString contentKindName(PlayerKind kind)
{
    switch (kind) {
        case PlayerKind::Clip:
            return QStringLiteral("avi");
        case PlayerKind::BSPlayer:
            return QStringLiteral("bsp");
        case PlayerKind::SlideShow:
            return QStringLiteral("ppt");
        case PlayerKind::Flash:
            return QStringLiteral("flash");
        case PlayerKind::Web:
            return QStringLiteral("www");
        case PlayerKind::Capture:
            return QStringLiteral("tt");
    }
    return QString();
}

QString playerLetter(PlayerKind kind)
{
    switch (kind) {
        case PlayerKind::Clip:
            return QStringLiteral("k");
        case PlayerKind::BSPlayer:
            return QStringLiteral("b");
        case PlayerKind::SlideShow:
            return QStringLiteral("p");
        case PlayerKind::Flash:
            return QStringLiteral("f");
        case PlayerKind::Web:
            return QStringLiteral("w");
        case PlayerKind::Capture:
            return QStringLiteral("t");
    }
    return QString();
}

}  // namespace velumo
