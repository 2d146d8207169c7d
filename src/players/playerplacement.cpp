#include "playerplacement.h"

#include "base/settings.h"
#include "base/settingskeys.h"

namespace velumo::playerplacement {

namespace {

// The fields of a rectangle: spinners, or text fields holding integers (the web window).
struct Fields {
    char letter;
    const char* left;
    const char* top;
    const char* width;
    const char* height;
    bool textFields = false;
};

constexpr Fields kFields[] = {
    {'k', key::SpinEdit19, key::SpinEdit21, key::SpinEdit20, key::SpinEdit22},
    {'p', key::SpinEdit26, key::SpinEdit28, key::SpinEdit27, key::SpinEdit29},
    {'f', key::SpinEdit45, key::SpinEdit47, key::SpinEdit46, key::SpinEdit48},
    {'w', key::SCEdit39, key::SCEdit38, key::SCEdit44, key::SCEdit46, true},
    {'t', key::SpinEdit53, key::SpinEdit55, key::SpinEdit54, key::SpinEdit56},
};

}  // namespace

QRect rect(const Settings& settings, QChar letter)
{
    for (const Fields& f : kFields) {
        if (letter != QLatin1Char(f.letter))
            continue;
        if (f.textFields) {
            // Each text converted in this order; one that is no integer ends here.
            const int top = settings.integer(f.top);
            const int left = settings.integer(f.left);
            const int width = settings.integer(f.width);
            const int height = settings.integer(f.height);
            return QRect(left, top, width, height);
        }
        return QRect(settings.spin(f.left), settings.spin(f.top), settings.spin(f.width),
                     settings.spin(f.height));
    }
    return QRect();
}

int screen(const Settings& settings, QChar letter)
{
    if (letter == u'p' && settings.checked(key::SCCheckbox27))
        return 1;
    return -1;
}

}  // namespace velumo::playerplacement
