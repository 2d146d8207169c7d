#pragma once

#include <QChar>

#include "base/controlspec.h"

class QEvent;
class QLineEdit;

namespace velumo {

// Judges each typed character of a field, as the operator types it: characters the field does
// not take are dropped (or typed as a blank), while deleting, moving the cursor and shortcuts
// stay free. Text already in the field is never judged, so a field holding a value typed
// elsewhere ("-5") can still be edited.
class TypingFilter final {
public:
    static void install(QLineEdit* edit, InputFilter filter);

    // Whether the filter takes the character as typed.
    static bool accepts(InputFilter filter, QChar c);

private:
    // A key typed into the field: true when the filter took it over.
    static bool filterKey(QLineEdit* edit, InputFilter filter, QEvent* event);
};

}  // namespace velumo
