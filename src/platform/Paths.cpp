#include "platform/Paths.h"

#include "platform/NativeName.h"
#include "platform/RawDir.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace fd::paths {

QChar sep() { return QDir::separator(); }
QString sepStr() { return QString(QDir::separator()); }

int drivePrefixLength(const QString &path)
{
#ifdef Q_OS_WIN
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':'))
        return 2;
    return 0;
#else
    Q_UNUSED(path);
    return 0;
#endif
}

QString driveRoot(const QString &path)
{
#ifdef Q_OS_WIN
    return path.left(3);
#else
    Q_UNUSED(path);
    return QStringLiteral("/");
#endif
}

bool isRoot(const QString &path)
{
#ifdef Q_OS_WIN
    return (path.size() == 2 && path.at(1) == QLatin1Char(':'))
        || (path.size() == 3 && path.at(1) == QLatin1Char(':') && path.at(2) == sep());
#else
    return path == QLatin1String("/");
#endif
}

QString withTrailingSep(const QString &path)
{
    if (path.endsWith(sep()))
        return path;
    return path + sep();
}

QString withoutTrailingSep(const QString &path)
{
    if (path.endsWith(sep()) && !isRoot(path))
        return path.left(path.size() - 1);
    return path;
}

QString lastComponent(const QString &path)
{
    const int i = path.lastIndexOf(sep());
    return i < 0 ? path : path.mid(i + 1);
}

QString folderOf(const QString &path)
{
    const int i = path.lastIndexOf(sep());
    return i < 0 ? QString() : path.left(i + 1);
}

QString join(const QString &folder, const QString &relative)
{
    if (folder.isEmpty())
        return relative;
    if (relative.startsWith(sep()))
        return folder.endsWith(sep()) ? folder + relative.mid(1) : folder + relative;
    return withTrailingSep(folder) + relative;
}

QString native(const QString &path) { return QDir::toNativeSeparators(path); }

QString volumeOf(const QString &path)
{
#ifdef Q_OS_WIN
    return path.left(1);
#else
    // The folder may not exist yet: ask about the nearest one that does (and that
    // Qt can name: mount points hold plain names).
    QString p = path;
    while (!p.isEmpty() && (hasRawBytes(p) || !raw::occupied(p)) && p != QLatin1String("/"))
        p = QFileInfo(p).path();
    const QString root = QStorageInfo(p.isEmpty() ? QStringLiteral("/") : p).rootPath();
    return root.isEmpty() ? QStringLiteral("/") : root;
#endif
}

bool folderExists(const QString &path)
{
    return raw::isFolder(path);
}

bool fileExists(const QString &path)
{
#ifdef Q_OS_WIN
    if (path.isEmpty())
        return false;
    QFileInfo fi(path);
    return fi.exists() && fi.isFile() && !fi.isHidden();
#else
    return raw::isFile(path) && !lastComponent(path).startsWith(QLatin1Char('.'));
#endif
}

} // namespace fd::paths
