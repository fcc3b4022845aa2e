#include "dispatch/Timed.h"

#include "platform/RegexMatcher.h"

#include <cmath>

namespace fd {

namespace timed {

namespace {

int boundOf(const QString &digits)
{
    bool ok = false;
    const long long v = digits.toLongLong(&ok);
    if (!ok || v > kMaxSeconds) // too many digits for the bound
        return kMaxSeconds;
    return v < 1 ? 1 : int(v);
}

} // namespace

std::optional<Range> parseRange(const QString &text)
{
    // ASCII digits only: other scripts' digits are no number of seconds.
    static const RegexMatcher range(QStringLiteral("([0-9]+)-([0-9]+)"));
    if (!range.isValid())
        return std::nullopt;
    const auto result = range.execute(text);
    const QVector<RegexMatch> &found = result.value();
    if (!result.ok() || found.isEmpty() || found.first().subMatches.size() < 2)
        return std::nullopt;
    Range r{boundOf(found.first().subMatches[0]), boundOf(found.first().subMatches[1])};
    if (r.high < r.low)
        std::swap(r.low, r.high);
    return r;
}

int drawSeconds(const Range &r, double uniform01)
{
    const int span = r.high - r.low + 1;
    return r.low + qBound(0, int(std::floor(uniform01 * span)), span - 1);
}

} // namespace timed

} // namespace fd
