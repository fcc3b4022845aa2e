#include "platform/UpdatePlatform.h"
#include "platform/Env.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace fd {

namespace {

// The companion unpacks every archive format itself, so where it is installed
// the archiver counts as registered.
class SystemUpdatePlatform : public UpdatePlatform {
public:
    bool archiverRegistered() override { return QFileInfo(companionPath()).isExecutable(); }

    bool startInstaller(const QString &program, const QString &workingFolder) override
    {
        return QProcess::startDetached(program, {}, workingFolder);
    }

    bool startCompanion(const QString &program, const QString &parameters,
                        const QString &workingFolder) override
    {
        // The companion has no window of its own; the parameter text is one argument.
        return QProcess::startDetached(program, {parameters}, workingFolder);
    }

    void endProgram() override { QCoreApplication::exit(0); }
};

SystemUpdatePlatform g_system;
UpdatePlatform *g_platform = nullptr;

} // namespace

UpdatePlatform &updatePlatform() { return g_platform ? *g_platform : g_system; }
void setUpdatePlatform(UpdatePlatform *p) { g_platform = p; }

bool packageManaged(const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder);
    return false;
#else
    // Links resolved, so a link from elsewhere into /usr is seen for what it is;
    // /usr/local belongs to the local administrator, not to the packages.
    QString f = QFileInfo(folder).canonicalFilePath();
    if (f.isEmpty())
        f = QDir::cleanPath(folder);
    for (const char *top : {"/usr", "/bin", "/sbin", "/lib", "/lib64"}) {
        const QString t = QString::fromLatin1(top);
        if (f == t || f.startsWith(t + QLatin1Char('/')))
            return !(f == QLatin1String("/usr/local") || f.startsWith(QLatin1String("/usr/local/")));
    }
    return false;
#endif
}

QString companionPath()
{
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("STRebooter.exe");
#else
    const QString name = QStringLiteral("STRebooter");
#endif
    return QDir::toNativeSeparators(QDir(programFolder()).filePath(name));
}

} // namespace fd
