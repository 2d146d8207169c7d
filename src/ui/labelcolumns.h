#pragma once

class QWidget;

namespace velumo {

// A wrapped caption is at most this wide in the label column.
inline constexpr int kWrappedLabelWidth = 260;

// The groups of window's pages line the fields of their rows, and of the groups nested in them,
// up in one column; groups standing side by side in one page share it.
void alignLabelColumns(QWidget& window);

}  // namespace velumo
