#include "platform/Places.h"

#include "platform/Env.h"
#include "platform/Paths.h"

#include "platform/NativeName.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef __linux__
#include <unistd.h>
#endif

// The install rules set this from the installed layout (bin to share).
#ifndef FD_DATA_FROM_PROGRAM
#define FD_DATA_FROM_PROGRAM "../share"
#endif

namespace fd {

namespace {
QString installedData(const QString &relative)
{
    return QDir::cleanPath(QDir(programFolder()).filePath(QStringLiteral(FD_DATA_FROM_PROGRAM "/") + relative));
}
} // namespace

bool isInstalledCopy()
{
    return QFileInfo::exists(installedData(QStringLiteral("applications/%1.desktop").arg(QLatin1String(kDesktopId))));
}

QString writableDataFolder()
{
    const QString own = programFolder();
    // Root could write into /usr/bin; an installed copy never should.
    if (QFileInfo(own).isWritable() && !isInstalledCopy())
        return own;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        return own; // no home: the writes fail where they happen, as before
    QDir().mkpath(data);
    return QDir::toNativeSeparators(data);
}

QString shippedFile(const QString &fileName)
{
    const QString beside = paths::join(programFolder(), fileName);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = installedData(QStringLiteral("fdispatch/") + fileName);
    return QFileInfo::exists(installed) ? QDir::toNativeSeparators(installed) : beside;
}

QString helpDocumentPath() { return shippedFile(QStringLiteral("帮助.chm")); }

QString programFile()
{
#ifdef __linux__
    // The name's own bytes: a folder named in GBK must not come back changed.
    QByteArray buf(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), size_t(buf.size()));
    if (n > 0 && n < buf.size())
        return decodeFileName(buf.left(n));
#endif
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

namespace {
// The program's folder as its bytes say, unless a test put it elsewhere.
QString ownFolder()
{
    const QString set = programFolder();
    const QString qt = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    return set != qt ? set : paths::withoutTrailingSep(paths::folderOf(programFile()));
}
} // namespace

QString separateWorkFolder()
{
    // As startup names it: below programdata when that is set, else the data folder.
    const QString data = readEnv(QStringLiteral("programdata"));
    const QString own = ownFolder();
    const QString work = data.isEmpty() ? writableDataFolder() : paths::join(data, paths::lastComponent(own));
    return paths::withoutTrailingSep(work) == paths::withoutTrailingSep(own) ? QString() : work;
}

QStringList ownFilePaths()
{
    const QString own = ownFolder();
    QStringList files{programFile(), helpDocumentPath()};
    for (const QString &name : {QStringLiteral("STRebooter"), QStringLiteral("STRebooter.exe"),
                                QStringLiteral("帮助.chm"), QStringLiteral("分发失败记录.txt")})
        files << paths::join(own, name);
    for (const QString &folder : {own, writableDataFolder(), separateWorkFolder()}) {
        if (folder.isEmpty())
            continue;
        for (const QString &name : {QStringLiteral("分发失败记录.txt"), QStringLiteral("Dispatch.txt"),
                                    QStringLiteral("STFilesDispatcher.rar"), QStringLiteral("WinRAR.exe"),
                                    QStringLiteral("更新失败.txt")})
            files << paths::join(folder, name);
    }
    return files;
}

} // namespace fd
