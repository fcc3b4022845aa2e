#pragma once
// The folder name cut out of a file name, as plain text rules: the dispatch's
// answer, the preview's answer, the pattern check of the frame and numbered names.
#include <QString>

namespace fd {

// The settings of the frame "截取设置：" as the rules read them.
struct NameRule {
    enum class Variant { TrailingSuffix, Position, Pattern };
    Variant variant = Variant::Pattern;
    long long first = 1; // N
    long long last = 6;  // M
    bool toEnd = false;
    bool reverse = false;
    QString pattern = QString();
    bool ignoreCase = false;
    bool useGroup = false;
    long long group = 1; // G, from 1
};


struct DerivedName {
    enum class Kind {
        Name,            // text holds the name, possibly empty
        InvalidPattern,  // the pattern is not a valid expression
        NoMatch,         // the pattern does not match the base name
        InvalidArgument, // no "." in the reference, or a reversed range before the start
    };
    Kind kind = Kind::Name;
    QString text;
};

// Removes U+0020 at both ends; tabs and full-width spaces stay.
QString trimSpaces(const QString &s);

// The text before the last "." of the reference, after the last separator that
// precedes that "."; false when the reference holds no ".".
bool baseNameOf(const QString &reference, QString &base);

// The trimmed base name less a trailing " (n)", " （n）", " 【n】" and the like.
QString withoutTrailingSuffix(const QString &base);

// Characters N to M (or to the end) of the base name, counted from either end;
// false for a range that starts before the first character.
bool positionPiece(const QString &base, const NameRule &rule, QString &piece);

// The folder name for a file reference (full path or bare name); pure.
DerivedName folderNameFor(const QString &reference, const NameRule &rule);

// What the preview shows for a base name: the same rules, untrimmed, without the
// dispatch's fallbacks.
struct PreviewName {
    enum class Kind { Show, KeepReset, InvalidPattern };
    Kind kind = Kind::KeepReset;
    QString text;
};
PreviewName previewNameFor(const QString &base, const NameRule &rule);

// The check of a typed pattern when the field is left.
struct PatternCheck {
    bool warn = false; // invalid, or parentheses doubled outside escapes
    int groups = 0;    // "(" left once escapes are removed and doubles collapsed
};
PatternCheck checkNamePattern(const QString &pattern);

// photo.jpg with n = 2 gives photo(2).jpg; a name without "." gets the number at its end.
QString numberedName(const QString &name, long long n);

} // namespace fd
