#include "naming/FolderName.h"

#include "app/TextNumbers.h"
#include "platform/Paths.h"
#include "platform/RegexMatcher.h"

#include <memory>
#include <vector>

namespace fd {

namespace {

// Every matcher call of the rule goes through here, so an invalid pattern is an
// answer and never an exception.
enum class Outcome { Matched, NoMatch, Invalid };

// Compiling a pattern costs many times its match: a run asks for the same few
// patterns for every file.
const RegexMatcher &matcherFor(const QString &pattern, bool ignoreCase)
{
    struct Key {
        QString pattern;
        bool ignoreCase;
        bool operator==(const Key &o) const { return ignoreCase == o.ignoreCase && pattern == o.pattern; }
    };
    thread_local std::vector<std::pair<Key, std::unique_ptr<RegexMatcher>>> cache;
    for (const auto &[key, matcher] : cache)
        if (key == Key{pattern, ignoreCase})
            return *matcher;
    if (cache.size() >= 8)
        cache.erase(cache.begin());
    cache.emplace_back(Key{pattern, ignoreCase}, std::make_unique<RegexMatcher>(pattern, ignoreCase, false, false));
    return *cache.back().second;
}

Outcome firstMatch(const QString &pattern, bool ignoreCase, const QString &subject, RegexMatch &m)
{
    const RegexMatcher &matcher = matcherFor(pattern, ignoreCase);
    if (!matcher.isValid())
        return Outcome::Invalid;
    const auto all = matcher.execute(subject);
    if (!all.ok())
        return Outcome::Invalid;
    if (all.value().isEmpty())
        return Outcome::NoMatch;
    m = all.value().first();
    return Outcome::Matched;
}

} // namespace

QString trimSpaces(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b) == QLatin1Char(' '))
        ++b;
    while (e > b && s.at(e - 1) == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

bool baseNameOf(const QString &reference, QString &base)
{
    const qsizetype dot = reference.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const qsizetype cut = dot == 0 ? -1 : reference.lastIndexOf(paths::sep(), dot - 1);
    base = reference.mid(cut + 1, dot - cut - 1);
    return true;
}

QString withoutTrailingSuffix(const QString &base)
{
    const QString t = trimSpaces(base);
    RegexMatch m;
    if (firstMatch(QStringLiteral("[\\)）\\]】\\}》]$"), false, t, m) != Outcome::Matched)
        return t;
    if (firstMatch(QStringLiteral("(.+)[ ]+?[\\(（\\[【\\{《].+?[\\)）\\]】\\}》]$"), false, t, m)
        != Outcome::Matched)
        return t;
    for (const QString &g : m.subMatches)
        if (!g.isEmpty())
            return g;
    return t;
}

bool positionPiece(const QString &base, const NameRule &rule, QString &piece)
{
    const long long L = base.size(), N = rule.first, M = rule.last;
    if (N < 1 || (!rule.toEnd && M < N))
        return false;
    if (!rule.reverse) {
        piece = N > L ? QString() : base.mid(N - 1, rule.toEnd ? -1 : qMin(M, L) - N + 1);
        return true;
    }
    if (rule.toEnd) {
        if (N > L + 1)
            return false;
        piece = base.left(L - N + 1);
        return true;
    }
    if (M > L)
        return false;
    piece = base.mid(L - M, M - N + 1);
    return true;
}

DerivedName folderNameFor(const QString &reference, const NameRule &rule)
{
    DerivedName r;
    QString base;
    if (!baseNameOf(reference, base)) {
        r.kind = DerivedName::Kind::InvalidArgument;
        return r;
    }
    switch (rule.variant) {
    case NameRule::Variant::TrailingSuffix:
        r.text = withoutTrailingSuffix(base);
        break;
    case NameRule::Variant::Position:
        if (!positionPiece(base, rule, r.text))
            r.kind = DerivedName::Kind::InvalidArgument;
        break;
    case NameRule::Variant::Pattern: {
        RegexMatch m;
        const Outcome o = firstMatch(rule.pattern, rule.ignoreCase, base, m);
        if (o != Outcome::Matched) {
            r.kind = o == Outcome::Invalid ? DerivedName::Kind::InvalidPattern : DerivedName::Kind::NoMatch;
            return r;
        }
        if (!rule.useGroup) {
            r.text = m.value;
            break;
        }
        const long long g = qMax(1LL, rule.group);
        if (m.subMatches.size() < g) {
            r.text = trimSpaces(base);
            break;
        }
        // An empty group hands over to the groups after it.
        for (long long i = g - 1; i < m.subMatches.size() && r.text.isEmpty(); ++i)
            r.text = trimSpaces(m.subMatches.at(i));
        if (r.text.isEmpty() && g >= 2)
            r.text = m.value;
        break;
    }
    }
    r.text = trimSpaces(r.text);
    return r;
}

PreviewName previewNameFor(const QString &base, const NameRule &rule)
{
    PreviewName p;
    p.kind = PreviewName::Kind::Show;
    switch (rule.variant) {
    case NameRule::Variant::TrailingSuffix:
        p.text = withoutTrailingSuffix(base);
        return p;
    case NameRule::Variant::Position:
        if (!positionPiece(base, rule, p.text))
            p.text = base;
        return p;
    case NameRule::Variant::Pattern:
        break;
    }
    RegexMatch m;
    const Outcome o = firstMatch(rule.pattern, rule.ignoreCase, base, m);
    if (o != Outcome::Matched) {
        p.kind = o == Outcome::Invalid ? PreviewName::Kind::InvalidPattern : PreviewName::Kind::KeepReset;
        return p;
    }
    if (!rule.useGroup) {
        p.text = m.value;
    } else if (rule.group < 1 || m.subMatches.size() < rule.group) {
        p.kind = PreviewName::Kind::KeepReset;
    } else {
        p.text = m.subMatches.at(rule.group - 1);
    }
    return p;
}

PatternCheck checkNamePattern(const QString &pattern)
{
    QString copy = pattern;
    copy.remove(QStringLiteral("\\(")).remove(QStringLiteral("\\)"));
    const qsizetype noted = copy.size();
    for (qsizetype before = -1; before != copy.size();) {
        before = copy.size();
        copy.replace(QStringLiteral("(("), QStringLiteral("(")).replace(QStringLiteral("))"), QStringLiteral(")"));
    }
    PatternCheck c;
    RegexMatch m;
    c.warn = firstMatch(pattern, false, QStringLiteral("abcd"), m) == Outcome::Invalid || copy.size() < noted;
    c.groups = int(copy.count(QLatin1Char('(')));
    return c;
}

QString numberedName(const QString &name, long long n)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype cut = dot < 0 ? name.size() : dot;
    return name.left(cut) + QLatin1Char('(') + QString::number(n) + QLatin1Char(')') + name.mid(cut);
}

} // namespace fd
