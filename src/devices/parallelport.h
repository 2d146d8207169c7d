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

// A port in memory, for tests: counts what was read, written and claimed.
class MemoryParallelPort final : public ParallelPort {
public:
    quint8 readData() override
    {
        ++reads;
        return m_value;
    }
    void writeData(quint8 value) override
    {
        m_value = value;
        ++writes;
    }
    void claim() override { ++claims; }
    quint8 value() const { return m_value; }
    void setValue(quint8 value) { m_value = value; }
    int reads = 0;
    int writes = 0;
    int claims = 0;

private:
    quint8 m_value = 0;
};

}  // namespace velumo
