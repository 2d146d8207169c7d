#include "playerplacement.h"

#include "base/settings.h"
#include "players/contentkind.h"

namespace velumo::playerplacement {

QRect rect(const Settings& settings, const ContentKind& kind)
{
    const ContentKind::Placement* f = kind.placement;
    if (!f)
        return QRect();
    if (f->textFields) {
        // Each text converted in this order; one that is no integer ends here.
        const int top = settings.integer(f->top);
        const int left = settings.integer(f->left);
        const int width = settings.integer(f->width);
        const int height = settings.integer(f->height);
        return QRect(left, top, width, height);
    }
    return QRect(settings.spin(f->left), settings.spin(f->top), settings.spin(f->width),
                 settings.spin(f->height));
}

QRect rect(const Settings& settings, QChar letter)
{
    const ContentKind* kind = ContentKind::find(letter);
    return kind ? rect(settings, *kind) : QRect();
}

int screen(const Settings& settings, const ContentKind& kind)
{
    if (kind.directOutput && settings.checked(kind.directOutput))
        return 1;
    return -1;
}

int screen(const Settings& settings, QChar letter)
{
    const ContentKind* kind = ContentKind::find(letter);
    return kind ? screen(settings, *kind) : -1;
}

}  // namespace velumo::playerplacement
