#pragma once
// The one regular-expression matcher of the program. Every caller owns its own
// object. Settings can be changed at any time; an invalid pattern is accepted when
// it is set, and every use of it answers a RegexError instead of a value. Nothing
// here throws: callers run inside event handlers.
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>
#include <utility>

namespace fd {

struct RegexError {
    static constexpr int kSyntaxError = 5017;
    int number = 0; // 0: no error
    QString pattern;
    QString reason; // the engine's description
};

// A value or the error that prevented it. value() of a failed result is T{}.
template <typename T>
class [[nodiscard]] RegexResult {
public:
    RegexResult(T value) : value_(std::move(value)) {}
    RegexResult(RegexError error) : error_(std::move(error)) {}

    bool ok() const { return error_.number == 0; }
    const T &value() const { return value_; }
    T valueOr(T fallback) const { return ok() ? value_ : std::move(fallback); }
    const RegexError &error() const { return error_; }

private:
    T value_{};
    RegexError error_;
};

struct RegexMatch {
    QString value;          // the matched text
    QStringList subMatches; // group 1 at index 0; empty text for a group that took no part
    qsizetype firstIndex = 0; // UTF-16 position from 0
    qsizetype length = 0;
};

class RegexMatcher {
public:
    static constexpr int kSyntaxError = RegexError::kSyntaxError;

    RegexMatcher() = default;
    explicit RegexMatcher(const QString &pattern, bool ignoreCase = false, bool global = false,
                          bool multiLine = false);

    void setPattern(const QString &p);
    QString pattern() const { return pattern_; }
    void setIgnoreCase(bool on);
    bool ignoreCase() const { return ignoreCase_; }
    void setGlobal(bool on) { global_ = on; }
    bool global() const { return global_; }
    void setMultiLine(bool on);
    bool multiLine() const { return multiLine_; }

    // Whether the current pattern compiles; errorText() says why not.
    bool isValid() const;
    QString errorText() const;

    // Whether the pattern matches somewhere in subject.
    RegexResult<bool> test(const QString &subject) const;
    // The first match, or every match when global is set.
    RegexResult<QVector<RegexMatch>> execute(const QString &subject) const;
    // Replaces the first match (every match when global) by the template, in which
    // "$1".."$99" stand for the groups (two digits when that group exists), "$&"
    // for the match, "$`" and "$'" for the text before and after it, "$$" for "$".
    RegexResult<QString> replace(const QString &subject, const QString &replacement) const;

    // Expands a replacement template for one match (exposed for the tester window).
    // Group texts are taken from subject (the text as given), by position.
    static QString expandTemplate(const QString &replacement, const QRegularExpressionMatch &m,
                                  const QString &subject);

private:
    // The compiled pattern, or nullptr when it does not compile.
    const QRegularExpression *compiled() const;
    RegexError syntaxError() const;
    void invalidate() { dirty_ = true; }

    QString pattern_;
    bool ignoreCase_ = false;
    bool global_ = false;
    bool multiLine_ = false;
    mutable bool dirty_ = true;
    mutable QRegularExpression re_;
};

} // namespace fd
