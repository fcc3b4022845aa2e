#include "platform/RegexMatcher.h"

namespace fd {

namespace {

// The engine refuses a subject holding a lone surrogate, which is how a file name
// carries bytes that are not UTF-8. Matching runs on a copy where each stands for
// U+FFFD, one unit for one unit, and texts are cut from the subject by position.
QString matchable(const QString &subject)
{
    QString out;
    for (qsizetype i = 0; i < subject.size(); ++i) {
        const QChar c = subject.at(i);
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < subject.size() && subject.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (out.isNull())
            out = subject;
        out[i] = QChar(QChar::ReplacementCharacter);
    }
    return out.isNull() ? subject : out;
}

// A group's text in the subject; a null text when the group took no part.
QString captured(const QRegularExpressionMatch &m, int g, const QString &subject)
{
    const qsizetype start = m.capturedStart(g);
    return start < 0 ? QString() : subject.mid(start, m.capturedLength(g));
}

bool isHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool hexRun(const QString &p, qsizetype from, int n)
{
    if (from + n > p.size())
        return false;
    for (int k = 0; k < n; ++k)
        if (!isHex(p.at(from + k)))
            return false;
    return true;
}

// Brings the pattern syntax users write for such matchers to the engine's:
// "\uXXXX" names a character, other letters escaped without a meaning stand for
// themselves; without the multi-line setting "$" matches only at
// the very end of the subject, not also before a final line break.
QString translatePattern(const QString &p, bool multiLine)
{
    QString out;
    out.reserve(p.size() + 4);
    bool inClass = false;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p.at(i);
        if (c == QLatin1Char('\\') && i + 1 < p.size()) {
            const QChar e = p.at(i + 1);
            if (e == QLatin1Char('u') && hexRun(p, i + 2, 4)) {
                out += QLatin1String("\\x{") + p.mid(i + 2, 4) + QLatin1Char('}');
                i += 5;
                continue;
            }
            if (e == QLatin1Char('v')) { // a vertical tab, not the engine's class of line breaks
                out += QLatin1String("\\x0B");
                ++i;
                continue;
            }
            // Letters without a meaning of their own stand for themselves: \q is "q",
            // \e is "e", \u without four hex digits is "u".
            const bool letter = (e >= QLatin1Char('a') && e <= QLatin1Char('z')) || (e >= QLatin1Char('A') && e <= QLatin1Char('Z'));
            const bool meaningful = QStringLiteral("dDwWsSbBfnrt").contains(e)
                || (e == QLatin1Char('x') && hexRun(p, i + 2, 2))
                || (e == QLatin1Char('c') && i + 2 < p.size() && p.at(i + 2).isLetter() && p.at(i + 2).unicode() < 128);
            if (letter && !meaningful) {
                out += e;
                ++i;
                continue;
            }
            out += c;
            out += p.at(++i);
            continue;
        }
        if (inClass) {
            if (c == QLatin1Char(']'))
                inClass = false;
            out += c;
            continue;
        }
        if (c == QLatin1Char('[')) {
            inClass = true;
            out += c;
            // A "]" right after "[" or "[^" is a member, not the end of the class.
            if (i + 1 < p.size() && p.at(i + 1) == QLatin1Char('^'))
                out += p.at(++i);
            if (i + 1 < p.size() && p.at(i + 1) == QLatin1Char(']'))
                out += p.at(++i);
            continue;
        }
        if (c == QLatin1Char('$') && !multiLine)
            out += QLatin1String("\\z");
        else
            out += c;
    }
    return out;
}

} // namespace

RegexMatcher::RegexMatcher(const QString &pattern, bool ignoreCase, bool global, bool multiLine)
    : pattern_(pattern), ignoreCase_(ignoreCase), global_(global), multiLine_(multiLine)
{
}

void RegexMatcher::setPattern(const QString &p)
{
    if (p != pattern_) {
        pattern_ = p;
        invalidate();
    }
}

void RegexMatcher::setIgnoreCase(bool on)
{
    if (on != ignoreCase_) {
        ignoreCase_ = on;
        invalidate();
    }
}

void RegexMatcher::setMultiLine(bool on)
{
    if (on != multiLine_) {
        multiLine_ = on;
        invalidate();
    }
}

const QRegularExpression *RegexMatcher::compiled() const
{
    if (dirty_) {
        QRegularExpression::PatternOptions o = QRegularExpression::NoPatternOption;
        if (ignoreCase_)
            o |= QRegularExpression::CaseInsensitiveOption;
        if (multiLine_)
            o |= QRegularExpression::MultilineOption;
        // CR, LF and CRLF all end a line, as in the texts users paste.
        re_.setPattern(QStringLiteral("(*ANYCRLF)") + translatePattern(pattern_, multiLine_));
        re_.setPatternOptions(o);
        re_.optimize();
        dirty_ = false;
    }
    return re_.isValid() ? &re_ : nullptr;
}

RegexError RegexMatcher::syntaxError() const
{
    return RegexError{kSyntaxError, pattern_, re_.errorString()};
}

bool RegexMatcher::isValid() const { return compiled() != nullptr; }

QString RegexMatcher::errorText() const { return compiled() ? QString() : re_.errorString(); }

RegexResult<bool> RegexMatcher::test(const QString &subject) const
{
    const QRegularExpression *re = compiled();
    if (!re)
        return syntaxError();
    return re->match(matchable(subject)).hasMatch();
}

namespace {
RegexMatch toMatch(const QRegularExpressionMatch &m, int groups, const QString &subject)
{
    RegexMatch r;
    r.value = captured(m, 0, subject);
    r.firstIndex = m.capturedStart(0);
    r.length = m.capturedLength(0);
    r.subMatches.reserve(groups);
    for (int g = 1; g <= groups; ++g)
        r.subMatches.append(captured(m, g, subject)); // a null text when the group took no part
    for (QString &s : r.subMatches)
        if (s.isNull())
            s = QLatin1String("");
    return r;
}
} // namespace

RegexResult<QVector<RegexMatch>> RegexMatcher::execute(const QString &subject) const
{
    const QRegularExpression *re = compiled();
    if (!re)
        return syntaxError();
    const int groups = re->captureCount();
    QVector<RegexMatch> out;
    const QString text = matchable(subject);
    if (!global_) {
        const QRegularExpressionMatch m = re->match(text);
        if (m.hasMatch())
            out.append(toMatch(m, groups, subject));
        return out;
    }
    QRegularExpressionMatchIterator it = re->globalMatch(text);
    while (it.hasNext())
        out.append(toMatch(it.next(), groups, subject));
    return out;
}

QString RegexMatcher::expandTemplate(const QString &replacement, const QRegularExpressionMatch &m,
                                    const QString &subject)
{
    const int groups = m.regularExpression().captureCount();
    QString out;
    out.reserve(replacement.size());
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        if (c != QLatin1Char('$') || i + 1 >= replacement.size()) {
            out += c;
            continue;
        }
        const QChar n = replacement.at(i + 1);
        const int d1 = n.isDigit() ? n.digitValue() : -1;
        const int d2 = i + 2 < replacement.size() && replacement.at(i + 2).isDigit() ? replacement.at(i + 2).digitValue() : -1;
        if (n == QLatin1Char('$')) {
            out += QLatin1Char('$');
            ++i;
        } else if (n == QLatin1Char('&')) {
            out += captured(m, 0, subject);
            ++i;
        } else if (n == QLatin1Char('`')) {
            out += QStringView(subject).left(m.capturedStart(0));
            ++i;
        } else if (n == QLatin1Char('\'')) {
            out += QStringView(subject).mid(m.capturedEnd(0));
            ++i;
        } else if (d1 >= 0 && d2 >= 0 && d1 * 10 + d2 >= 1 && d1 * 10 + d2 <= groups) {
            out += captured(m, d1 * 10 + d2, subject); // two digits when that group exists
            i += 2;
        } else if (d1 >= 1 && d1 <= groups) {
            out += captured(m, d1, subject);
            ++i;
        } else {
            out += c; // "$" before anything else, or a group that does not exist, stays as written
        }
    }
    return out;
}

RegexResult<QString> RegexMatcher::replace(const QString &subject, const QString &replacement) const
{
    const QRegularExpression *re = compiled();
    if (!re)
        return syntaxError();
    QString out;
    qsizetype done = 0;
    auto apply = [&](const QRegularExpressionMatch &m) {
        out += QStringView(subject).mid(done, m.capturedStart(0) - done);
        out += expandTemplate(replacement, m, subject);
        done = m.capturedEnd(0);
    };
    const QString text = matchable(subject);
    if (!global_) {
        const QRegularExpressionMatch m = re->match(text);
        if (!m.hasMatch())
            return subject;
        apply(m);
    } else {
        QRegularExpressionMatchIterator it = re->globalMatch(text);
        while (it.hasNext())
            apply(it.next());
    }
    out += QStringView(subject).mid(done);
    return out;
}

} // namespace fd
