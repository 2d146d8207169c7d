#pragma once

#include <QtGlobal>

namespace velumo {

// The data register of the first parallel port (pins 2 to 9 are bits 0 to 7).
// A port that cannot be reached throws Failure with the reason.
class ParallelPort {
public:
    virtual ~ParallelPort() = default;
    virtual quint8 readData() = 0;
    virtual void writeData(quint8 value) = 0;
    // Takes the port for this process (the permission box was checked). Throws Failure when the
    // port cannot be had; a port that needs nothing of the kind does nothing.
    virtual void claim() {}
};

}  // namespace velumo
