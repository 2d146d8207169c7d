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
};

// A port in memory: tests, and machines without a parallel port.
class MemoryParallelPort final : public ParallelPort {
public:
    quint8 readData() override { return m_value; }
    void writeData(quint8 value) override
    {
        m_value = value;
        ++writes;
    }
    quint8 value() const { return m_value; }
    int writes = 0;

private:
    quint8 m_value = 0;
};

}  // namespace velumo
