#pragma once
// Texts of the catalogue columns and order keys, computed from a file's data alone.
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace fd {

class RegexMatcher;

// Size column: bytes / 1024 rounded to 2 decimals (halves to even), shortest
// decimal form, "KB" behind: 1536 gives "1.5KB", 1024 gives "1KB".
QString sizeText(qint64 bytes);

// Type key: "*" and the path's text from its last "." on, in lower case
// ("*.jpg" for IMG.JPG). Empty when the path has no ".".
QString typeKey(const QString &path);

// Type filter of the scan: "*.*" takes everything, otherwise the key must occur
// in the filter text (both in lower case).
bool passesTypeFilter(const QString &typeKey, const QString &filter);

// Modified-time column: the locale's short date and long time, without a time zone.
QString dateTimeText(const QDateTime &t, const QLocale &locale = QLocale());

// Image size column: width "×" height.
QString imageSizeText(const QString &width, const QString &height);

// The pattern that finds a file's number.
QString fileNumberPattern();

// The number of a file as decimal text ("0012", "3.5"; "0" when the name has no
// digits). The name is cut at its last "."; where the pattern matches more than
// once the last match counts (the group of digits at the end of the name). A match
// that joins two groups of digits by a letter (12a34) is one code and counts by the
// number it begins with (12); joined by anything else (2023_0012, 2023-05) the
// groups are separate and the later one counts.
QString fileNumberText(const QString &fileName);
QString fileNumberText(const QString &fileName, const RegexMatcher &globalNumberMatcher);

// The number that text begins with (digits with an optional "." and fraction),
// rounded to a whole number (halves away from zero), with leading zeros up to
// the given width; a longer number keeps all its digits. 0 when text begins with none.
QString paddedNumber(const QString &numberText, int width);


} // namespace fd
