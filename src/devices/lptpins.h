#pragma once

namespace velumo {

class ParallelPort;
class Settings;

// Raising and dropping single data pins of the parallel port, behind the permission box
// SCCheckBox26: while it is unchecked the port is never read or written.
class LptPins {
public:
    LptPins(Settings& settings, ParallelPort& port) : m_settings(settings), m_port(port) {}

    // Sets pin 2..9 to 1 when state is 1, to 0 otherwise, keeping the other pins; another pin
    // number changes no bit (the register is written back all the same).
    void lptonoff(int pin, int state);
    void Tolpt1(int value);
    int fromlpt1();

    // The permission box: when it is (now) checked, take the port for this process and drop all
    // eight pins with Tolpt1(0). Start-up runs the same when the saved box is checked. Unchecking
    // gives nothing back: the port stays with the process until it ends.
    void SCCheckBox26Click();

    ParallelPort& port() { return m_port; }

private:
    Settings& m_settings;
    ParallelPort& m_port;
};

}  // namespace velumo
