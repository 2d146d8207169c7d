#pragma once

#include <QEvent>
#include <QObject>
#include <functional>

#include "base/guard.h"

namespace velumo {

// Calls a function through the guard when the watched widget is clicked (for fields and labels
// that act on a click, such as pickers behind path fields).
class ClickFilter final {
public:
    static void install(QObject* watched, Origin origin, std::function<void()> onClick)
    {
        filterEventsGuarded(watched, std::move(origin),
                            [onClick = std::move(onClick)](QEvent* event) {
                                if (event->type() == QEvent::MouseButtonRelease)
                                    onClick();
                                return false;
                            });
    }
};

}  // namespace velumo
