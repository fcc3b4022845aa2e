#include "catalogue/Wildcard.h"

#include "platform/RawDir.h"

namespace fd {

namespace {

// Plain glob over UTF-16 units with single-star backtracking.
bool globMatch(const QString &pat, const QString &name)
{
    const QString p = pat.toCaseFolded();
    const QString n = name.toCaseFolded();
    qsizetype pi = 0, ni = 0, starP = -1, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == QLatin1Char('?') || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == QLatin1Char('*')) {
            starP = pi++;
            starN = ni;
        } else if (starP >= 0) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == QLatin1Char('*'))
        ++pi;
    return pi == p.size();
}

} // namespace

bool wildcardMatch(const QString &pattern, const QString &name)
{
    if (pattern.isEmpty() || name.isEmpty())
        return false;
    if (pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    if (globMatch(pattern, name))
        return true;
    if (pattern.endsWith(QLatin1String(".*")))
        return globMatch(pattern.left(pattern.size() - 2), name);
    if (pattern.endsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('.')))
        return globMatch(pattern.left(pattern.size() - 1), name);
    return false;
}

bool listingMatch(const QString &listingPattern, const QString &name)
{
    const QStringList alts = listingPattern.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &a : alts) {
        const QString t = a.trimmed();
        if (!t.isEmpty() && wildcardMatch(t, name))
            return true;
    }
    return false;
}

bool folderOpens(const QString &folder)
{
    return raw::canList(folder);
}

bool forEachFileName(const QString &folder, bool includeHidden,
                     const std::function<bool(const QString &)> &visit)
{
    const auto entries = raw::listFolder(folder);
    if (!entries)
        return false;
    for (const raw::Entry &e : *entries) {
        if (e.kind != raw::Kind::File || (!includeHidden && e.name.startsWith(QLatin1Char('.'))))
            continue;
        if (!visit(e.name))
            break;
    }
    return true;
}

} // namespace fd
