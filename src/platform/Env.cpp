#include "platform/Env.h"

#include "platform/NativeName.h"

#include <QCoreApplication>
#include <QDir>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace fd {

namespace {
QString g_programFolderOverride;
}

QString readEnv(const QString &name)
{
    QString v = qEnvironmentVariable(name.toLocal8Bit().constData());
#ifdef Q_OS_WIN
    Q_UNUSED(v);
    return qEnvironmentVariable(name.toLocal8Bit().constData());
#else
    // Windows variable names are case-insensitive; accept the usual spellings here too.
    if (v.isEmpty())
        v = qEnvironmentVariable(name.toUpper().toLocal8Bit().constData());
    return v;
#endif
}

QString programFile()
{
#ifdef Q_OS_LINUX
    // The link's bytes: Qt's own decoding loses a folder named in another encoding.
    char target[4096];
    const ssize_t n = ::readlink("/proc/self/exe", target, sizeof target);
    if (n > 0 && size_t(n) < sizeof target)
        return decodeFileName(QByteArray(target, int(n)));
#endif
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString programFolder()
{
    if (!g_programFolderOverride.isEmpty())
        return g_programFolderOverride;
    const QString exe = programFile();
    const qsizetype cut = exe.lastIndexOf(QDir::separator());
    if (cut < 0)
        return QDir::toNativeSeparators(QDir::currentPath());
    return cut == 0 ? exe.left(1) : exe.left(cut);
}

void setProgramFolderOverride(const QString &folder) { g_programFolderOverride = folder; }

#ifndef FDISPATCH_UPDATE_URL
#define FDISPATCH_UPDATE_URL ""
#endif

QString updateLocation()
{
    if (qEnvironmentVariableIsSet("FDISPATCH_UPDATE_URL"))
        return qEnvironmentVariable("FDISPATCH_UPDATE_URL");
    return QStringLiteral(FDISPATCH_UPDATE_URL);
}

} // namespace fd
