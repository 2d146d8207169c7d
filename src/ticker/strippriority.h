#pragma once

#include <QString>

namespace velumo {

// Texts that go ahead of the block on the strip, each known by its key: an announcement, shown
// once, next; and a hold, shown over and over in place of the block until it is taken off. A
// hold comes on at once (what crosses the strip then leaves it and comes again afterwards);
// announcements wait for the text on the strip to leave and go before the hold's next turn. Once
// none is left the block goes on with the announcement that stood next. Taken off, a text that
// is crossing the strip leaves it at once.
class StripPriority {
public:
    virtual ~StripPriority() = default;

    // Queued behind the announcements already waiting; a key already waiting keeps its place
    // and takes the new text.
    virtual void announce(const QString& key, const QString& text) = 0;
    // Replaces the hold there was.
    virtual void hold(const QString& key, const QString& text) = 0;
    virtual void takeOff(const QString& key) = 0;
};

}  // namespace velumo
