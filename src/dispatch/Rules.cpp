#include "dispatch/Rules.h"

#include "platform/Paths.h"

#include <QSet>

namespace fd {

QString relativePart(const QString &inputFolder, bool onlyLast)
{
    QString p = inputFolder;
    if (p.endsWith(paths::sep()))
        p.chop(1);
    if (onlyLast) {
        const int cut = int(p.lastIndexOf(paths::sep()));
        if (cut < 0)
            return QString(); // a bare root has no last component
        return p.mid(cut);
    }
    return p.mid(paths::drivePrefixLength(p));
}

QString numberedFolder(const QString &outputFolder, const QString &relative, long long n)
{
    QString out = outputFolder;
    const QChar s = paths::sep();
    if (out.endsWith(s) && relative.startsWith(s))
        out.chop(1);
    else if (!out.endsWith(s) && !relative.startsWith(s))
        out += s;
    return out + relative + QStringLiteral("_分发") + QString::number(n);
}

long long numberedFolderCount(long long files, bool fixedMode, long long perFolder, long long shares)
{
    if (fixedMode) {
        const long long p = perFolder > 0 ? perFolder : 1;
        return files / p + (files % p ? 1 : 0);
    }
    const long long k = shares > 0 ? shares : 1;
    return files % k == 0 ? k : k + 1;
}

bool directPickingFor(bool customFolders, bool folderFromName, bool sequential, bool numeric,
                      long long lastIndex)
{
    return !customFolders && !folderFromName && (sequential || numeric || lastIndex > 2000);
}

QString namePartOf(const QString &sourcePath)
{
    const int cut = int(sourcePath.lastIndexOf(paths::sep()));
    return cut < 0 ? sourcePath : sourcePath.mid(cut);
}

QString baseOfNamePart(const QString &namePart)
{
    const int dot = int(namePart.lastIndexOf(QLatin1Char('.')));
    return dot < 0 ? namePart : namePart.left(dot);
}

bool includeSuits(const QString &base, const QString &folderName, bool ignoreCase)
{
    QString hay = paths::sep() + folderName, needle = base;
    if (ignoreCase) {
        hay = hay.toLower();
        needle = needle.toLower();
    }
    return hay.contains(needle);
}

namespace {
// Some piece of a, n long from each position (shorter at its end), occurs in b.
bool anyPieceIn(const QString &a, const QString &b, int n)
{
    for (int p = 0; p < a.size(); ++p)
        if (b.contains(QStringView(a).mid(p, n)))
            return true;
    return false;
}
} // namespace

bool commonSuits(const QString &base, const QString &folderName, int n, bool ignoreCase)
{
    QString a = base, b = folderName;
    if (ignoreCase) {
        a = a.toLower();
        b = b.toLower();
    }
    if (n < 1)
        n = 1;
    return anyPieceIn(a, b, n) && anyPieceIn(b, a, n);
}

QStringList splitAtNul(const QString &pathList, bool unique, const std::function<void()> &yield)
{
    QStringList out;
    QSet<QString> seen;
    // Sized once: growing a set of a million paths rehashes it all in one go.
    const qsizetype expected = pathList.size() / 32 + 16;
    out.reserve(expected);
    if (unique)
        seen.reserve(expected);
    qsizetype from = 0, n = 0;
    while (from < pathList.size()) {
        qsizetype end = pathList.indexOf(QChar(0), from);
        if (end < 0)
            end = pathList.size();
        if (end > from) {
            QString p = pathList.mid(from, end - from);
            if (!unique || !seen.contains(p)) {
                if (unique)
                    seen.insert(p);
                out.append(std::move(p));
            }
        }
        from = end + 1;
        if (yield && ++n % 1024 == 0)
            yield();
    }
    return out;
}

QStringList splitPathList(const QString &pathList, const std::function<void()> &yield)
{
    return splitAtNul(pathList, true, yield);
}

QString DirectPicker::takeNext()
{
    if (front_ >= paths_.size())
        return QString();
    QString p = std::move(paths_[front_]);
    ++front_;
    return p;
}

QString DirectPicker::takeRandom(double uniform01)
{
    const qsizetype n = paths_.size() - front_;
    if (n <= 0)
        return QString();
    qsizetype k = front_ + qsizetype(uniform01 * double(n));
    if (k >= paths_.size())
        k = paths_.size() - 1;
    QString p = std::move(paths_[k]);
    // The last path takes the hole: no shifting, every remaining path stays drawable.
    if (k != paths_.size() - 1)
        paths_[k] = std::move(paths_.last());
    paths_.removeLast();
    return p;
}

} // namespace fd
