#include "app/TextNumbers.h"

#include <cmath>

namespace fd::textnum {

namespace {
bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
} // namespace

double valueOf(const QString &text)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    const int start = i;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    int digits = 0;
    while (i < n && isAsciiDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        int j = i + 1;
        int frac = 0;
        while (j < n && isAsciiDigit(text[j])) {
            ++j;
            ++frac;
        }
        if (frac > 0 || digits > 0) {
            i = j;
            digits += frac;
        }
    }
    if (digits == 0)
        return 0;
    // A plain whole number, the usual case, read without the text conversion:
    // runs read counts per file.
    if (digits <= 15 && i - start == digits) {
        long long v = 0;
        for (int k = start; k < i; ++k)
            v = v * 10 + (text[k].unicode() - u'0');
        return double(v);
    }
    bool ok = false;
    const double v = text.mid(start, i - start).toDouble(&ok);
    return ok ? v : 0;
}

long long wholeValue(const QString &text)
{
    const double v = valueOf(text);
    if (!std::isfinite(v) || v > 9e15 || v < -9e15)
        return 0;
    return (long long)std::floor(v);
}

QString shortestDecimal(double v)
{
    if (v == 0 || std::isnan(v))
        return QStringLiteral("0");
    return QString::number(v, 'g', 15);
}

std::optional<long long> wholeNumber(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 9.0e18)
        return std::nullopt;
    return (long long)std::nearbyint(v); // the default rounding mode rounds halves to even
}

long long shareSize(long long files, long long shares)
{
    return files / shares + (files % shares != 0 ? 1 : 0);
}

} // namespace fd::textnum
