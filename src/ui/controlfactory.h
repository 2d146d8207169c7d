#pragma once

class QWidget;

namespace velumo {

struct ControlSpec;

// The widget of one value control of the settings schema, by its kind and look (fieldlook.h):
// a line edit with its typing filter, width and, for a secret, dots and a reveal toggle; a spin
// box with its range and unit; a check box; a combo box with its items. Named after the control,
// its hint as tool tip, parented to parent until a page takes it.
class ControlFactory final {
public:
    static QWidget* create(const ControlSpec& entry, QWidget* parent);
};

}  // namespace velumo
