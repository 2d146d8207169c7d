#pragma once

#include <QObject>

#include "base/controlspec.h"

class QLineEdit;

namespace velumo {

// Judges each typed character of a field, as the operator types it: characters the field does
// not take are dropped (or typed as a blank), while deleting, moving the cursor and shortcuts
// stay free. Text already in the field is never judged, so a field holding a value typed
// elsewhere ("-5") can still be edited.
class TypingFilter final : public QObject {
    Q_OBJECT
public:
    static void install(QLineEdit* edit, InputFilter filter);

    // Whether the filter takes the character as typed.
    static bool accepts(InputFilter filter, QChar c);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TypingFilter(QLineEdit* edit, InputFilter filter);

    QLineEdit* m_edit;
    InputFilter m_filter;
};

}  // namespace velumo
