#include "lptpins.h"

#include "base/settings.h"
#include "base/settingskeys.h"
#include "parallelport.h"

namespace velumo {

void LptPins::lptonoff(int pin, int state)
{
    if (!m_settings.checked(key::SCCheckBox26))
        return;
    int value = fromlpt1();
    if (pin >= 2 && pin <= 9) {
        const int bit = 1 << (pin - 2);
        value = state == 1 ? (value | bit) : (value & ~bit);
    }
    Tolpt1(value);
}

void LptPins::Tolpt1(int value)
{
    m_port.writeData(quint8(value & 0xFF));
}

void LptPins::SCCheckBox26Click()
{
    if (!m_settings.checked(key::SCCheckBox26))
        return;
    m_port.claim();
    Tolpt1(0);
}

int LptPins::fromlpt1()
{
    return m_port.readData();
}

}  // namespace velumo
