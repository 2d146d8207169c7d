#pragma once

#include "app/services.h"

class QCheckBox;
class QLineEdit;

namespace velumo {

class ControlPanel;

// The floating control panel: its clock box and the clock-time field. Its position is saved
// with the settings.
class PanelModule {
public:
    explicit PanelModule(const Services& services);
    ~PanelModule();

    ControlPanel& panel() { return *m_panel; }
    QCheckBox* clockBox() const { return m_clockBox; }
    QLineEdit* timeField() const { return m_timeField; }

    // Start-up: the saved position (SCEdit98 left, SCEdit97 top).
    void applyStoredPosition();
    // Exiting: the position into SCEdit97/SCEdit98.
    void storePosition();

private:
    const Services& m_services;
    ControlPanel* m_panel = nullptr;
    QCheckBox* m_clockBox = nullptr;
    QLineEdit* m_timeField = nullptr;
};

}  // namespace velumo
