#include "platform/Paths.h"

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
    // The folder may not exist yet: ask about the nearest one that does.
    QString p = path;
    while (!p.isEmpty() && !QFileInfo::exists(p) && p != QLatin1String("/"))
        p = QFileInfo(p).path();
    const QString root = QStorageInfo(p.isEmpty() ? QStringLiteral("/") : p).rootPath();
    return root.isEmpty() ? QStringLiteral("/") : root;
#endif
}

bool folderExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    QFileInfo fi(path);
    return fi.exists() && fi.isDir();
}

bool fileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    QFileInfo fi(path);
    return fi.exists() && fi.isFile() && !fi.isHidden();
}

} // namespace fd::paths
