#pragma once
// Pure pieces of timed random dispatch.
#include <QString>
#include <optional>

namespace fd::timed {

// Largest bound of the range: the bounds are 16-bit numbers.
constexpr int kMaxSeconds = 32767;

struct Range {
    int low = 1;
    int high = 3;
};

// The first digits-dash-digits in text, bounds at least 1 (at most kMaxSeconds),
// swapped when reversed; nothing when the text holds no such range.
std::optional<Range> parseRange(const QString &text);
// Whole seconds from low to high, both included, for a uniform number in [0, 1).
int drawSeconds(const Range &r, double uniform01);

} // namespace fd::timed
