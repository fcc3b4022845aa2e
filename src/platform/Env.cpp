#include "platform/Env.h"

#include "platform/NativeName.h"

#include <QCoreApplication>
#include <QDir>

#ifdef __linux__
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
#ifdef __linux__
    // The name's own bytes: a folder named in GBK must not come back changed.
    QByteArray buf(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), size_t(buf.size()));
    if (n > 0 && n < buf.size())
        return decodeFileName(buf.left(n));
#endif
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
}

QString programFolder()
{
    if (!g_programFolderOverride.isEmpty())
        return g_programFolderOverride;
    QString dir = programFile();
    const qsizetype cut = dir.lastIndexOf(QDir::separator());
    dir = cut > 0 ? dir.left(cut) : cut == 0 ? dir.left(1) : QString();
    if (dir.isEmpty())
        dir = QDir::currentPath();
    return QDir::toNativeSeparators(dir);
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
