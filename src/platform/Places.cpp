#include "platform/Places.h"

#include "platform/Env.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

QString separateWorkFolder()
{
    // As startup names it: below programdata when that is set, else the data folder.
    const QString data = readEnv(QStringLiteral("programdata"));
    const QString own = programFolder();
    const QString work = data.isEmpty() ? writableDataFolder() : paths::join(data, paths::lastComponent(own));
    return paths::withoutTrailingSep(work) == paths::withoutTrailingSep(own) ? QString() : work;
}

QStringList ownFilePaths()
{
    const QString own = programFolder();
    QStringList files{programFile(), helpDocumentPath()};
    for (const QString &name : {QStringLiteral("STRebooter"), QStringLiteral("STRebooter.exe"),
                                QStringLiteral("帮助.chm"), QStringLiteral("分发失败记录.txt")})
        files << paths::join(own, name);
    for (const QString &folder : {own, writableDataFolder(), separateWorkFolder()}) {
        if (folder.isEmpty())
            continue;
        for (const QString &name : {QStringLiteral("分发失败记录.txt"), QStringLiteral("Dispatch.txt"),
                                    QStringLiteral("STFilesDispatcher.rar"), QStringLiteral("WinRAR.exe"),
                                    QStringLiteral("更新失败.txt"), QStringLiteral("分发撤销日志.dat"),
                                    QStringLiteral("未能撤销记录.txt")})
            files << paths::join(folder, name);
    }
    return files;
}

} // namespace fd
