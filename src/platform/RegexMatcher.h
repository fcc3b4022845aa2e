#pragma once
// The one regular-expression matcher of the program. Every caller owns its own
// object. Settings can be changed at any time; an invalid pattern is accepted when
// it is set and fails at its first use with RegexSyntaxError.
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QVector>
#include <stdexcept>

namespace fd {

// Raised by test / execute / replace when the pattern is not a valid expression.
// Callers tell it from other failures by its type or by number() == kSyntaxError.
class RegexSyntaxError : public std::runtime_error {
public:
    static constexpr int kSyntaxError = 5017;
    RegexSyntaxError(const QString &pattern, const QString &reason);
    int number() const { return kSyntaxError; }
    QString pattern() const { return pattern_; }
    QString reason() const { return reason_; }

private:
    QString pattern_;
    QString reason_;
};

struct RegexMatch {
    QString value;          // the matched text
    QStringList subMatches; // group 1 at index 0; empty text for a group that took no part
    qsizetype firstIndex = 0; // UTF-16 position from 0
    qsizetype length = 0;
};

class RegexMatcher {
public:
    static constexpr int kSyntaxError = RegexSyntaxError::kSyntaxError;

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

    // Whether the current pattern compiles (no exception); errorText() says why not.
    bool isValid() const;
    QString errorText() const;

    // True when the pattern matches somewhere in subject.
    bool test(const QString &subject) const;
    // The first match, or every match when global is set.
    QVector<RegexMatch> execute(const QString &subject) const;
    // Replaces the first match (every match when global) by the template, in which
    // "$1".."$9" stand for the groups, "$&" for the match and "$$" for "$".
    QString replace(const QString &subject, const QString &replacement) const;

    // Expands a replacement template for one match (exposed for the tester window).
    static QString expandTemplate(const QString &replacement, const QRegularExpressionMatch &m);

private:
    const QRegularExpression &compiled() const; // throws RegexSyntaxError
    void invalidate() { dirty_ = true; }

    QString pattern_;
    bool ignoreCase_ = false;
    bool global_ = false;
    bool multiLine_ = false;
    mutable bool dirty_ = true;
    mutable QRegularExpression re_;
};

} // namespace fd
