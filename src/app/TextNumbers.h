#pragma once
// Numbers read from and written into the texts of the window's fields.
#include <QString>
#include <optional>

namespace fd::textnum {

// The decimal number at the start of a text (leading spaces skipped, optional
// sign, digits, optional fraction); 0 when the text begins with none: "12ab" is 12.
double valueOf(const QString &text);

// valueOf cut down to a whole number; 0 when it is out of range.
long long wholeValue(const QString &text);

// The shortest decimal form of a number: 50, 1.5, 0.
QString shortestDecimal(double v);

// The complete text as a whole number (spaces around it allowed, a fraction
// rounded half to even); nothing when the text is not a number.
std::optional<long long> wholeNumber(const QString &text);

// Files per share: F divided by S, rounded up when there is a remainder.
// S must not be 0.
long long shareSize(long long files, long long shares);

} // namespace fd::textnum
