#include "platform/Env.h"

#include <QCoreApplication>
#include <QDir>

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

QString programFolder()
{
    if (!g_programFolderOverride.isEmpty())
        return g_programFolderOverride;
    QString dir = QCoreApplication::applicationDirPath();
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
