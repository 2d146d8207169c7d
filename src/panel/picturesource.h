#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

namespace velumo {

// A picture read from a file; movie holds the file's bytes when the picture is animated (GIF).
struct Picture {
    QImage image;
    QByteArray movie;
};

// Reads pictures of the thematic icons without holding up the user-interface thread.
class PictureSource {
public:
    using Done = std::function<void(const Picture&)>;
    using Failed = std::function<void(const QString& error)>;

    virtual ~PictureSource() = default;
    // Exactly one of the callbacks runs later, on this thread, from the event loop (none when
    // the source is destroyed first). Failures carry the reader's error text.
    virtual void read(const QString& path, Done done, Failed failed) = 0;
};

}  // namespace velumo
