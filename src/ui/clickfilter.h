#pragma once

#include <QEvent>
#include <QObject>
#include <functional>

namespace velumo {

// Calls a function when the watched widget is clicked (for fields and labels that act on a
// click, such as pickers behind path fields).
class ClickFilter final : public QObject {
public:
    static void install(QObject* watched, std::function<void()> onClick)
    {
        if (watched)
            watched->installEventFilter(new ClickFilter(watched, std::move(onClick)));
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease)
            m_onClick();
        return false;
    }

private:
    ClickFilter(QObject* parent, std::function<void()> onClick)
        : QObject(parent), m_onClick(std::move(onClick))
    {
    }
    std::function<void()> m_onClick;
};

}  // namespace velumo
