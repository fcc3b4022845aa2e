#include "catalogue/Wildcard.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

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
    if (folder.isEmpty())
        return false;
    const QFileInfo fi(folder);
    if (!fi.isDir() || !fi.isReadable())
        return false;
#ifndef Q_OS_WIN
    if (!fi.isExecutable())
        return false;
#endif
    return true;
}

bool forEachFileName(const QString &folder, bool includeHidden,
                     const std::function<bool(const QString &)> &visit)
{
    if (!folderOpens(folder))
        return false;
    QDir::Filters f = QDir::Files | QDir::NoDotAndDotDot;
    if (includeHidden)
        f |= QDir::Hidden;
    QDirIterator it(folder, f);
    while (it.hasNext()) {
        it.next();
        if (!visit(it.fileName()))
            break;
    }
    return true;
}

} // namespace fd
