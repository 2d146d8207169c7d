#pragma once

#include <QByteArray>
#include <cstddef>

namespace velumo {

// A transfer's body collected in memory up to a limit; a longer body stops the transfer and
// sets overflow. Used as a libcurl write function with the buffer as its user data.
struct CappedBuffer {
    QByteArray data;
    qint64 limit = 0;
    bool overflow = false;

    static size_t append(char* bytes, size_t size, size_t count, void* user)
    {
        auto* buffer = static_cast<CappedBuffer*>(user);
        const size_t length = size * count;
        if (buffer->data.size() + qint64(length) > buffer->limit) {
            buffer->overflow = true;
            return 0;  // stops the transfer
        }
        buffer->data.append(bytes, qsizetype(length));
        return length;
    }
};

}  // namespace velumo
