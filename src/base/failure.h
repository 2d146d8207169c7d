#pragma once

#include <QString>
#include <stdexcept>

namespace velumo {

// An operation failed with a text meant for the operator (the general error report shows it).
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& text);
    QString text() const { return m_text; }

private:
    QString m_text;
};

// Integer conversion with the toolkit's rules: leading blanks are skipped, an optional sign,
// decimal digits or "$" and hex digits, nothing after them. Throws Failure
// "'TEXT' is not a valid integer value" otherwise.
int strToInt(const QString& text);

// Like strToInt, but gives fallback instead of failing.
int strToIntDef(const QString& text, int fallback);

// Trims leading and trailing blanks and control characters (everything up to U+0020).
QString trimControl(const QString& text);

}  // namespace velumo
