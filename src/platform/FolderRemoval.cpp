#include "platform/FolderRemoval.h"

#include "platform/Env.h"
#include "platform/NativeName.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"

#include <QDir>
#include <QStorageInfo>

namespace fd {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kCase = Qt::CaseSensitive;
#endif

// The real location, links resolved, "/" separators; cleaned text when it does not exist.
QString resolved(const QString &path)
{
    const QString canonical = raw::canonicalPath(path);
    if (!canonical.isEmpty())
        return canonical;
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path);
}

// inner is outer or lies below it.
bool within(const QString &inner, const QString &outer)
{
    if (inner.compare(outer, kCase) == 0)
        return true;
    const QString prefix = outer.endsWith(QLatin1Char('/')) ? outer : outer + QLatin1Char('/');
    return inner.startsWith(prefix, kCase);
}

bool same(const QString &a, const QString &b) { return a.compare(b, kCase) == 0; }

} // namespace

RemovalRefusal treeRemovalRefusal(const QString &folder, const QString &inputFolder)
{
    if (folder.trimmed().isEmpty() || QDir::isRelativePath(folder))
        return RemovalRefusal::NotAbsolute;
    const QString f = resolved(folder);
    if (QDir(f).isRoot())
        return RemovalRefusal::Root;
    if (raw::isFolder(f)) {
        // Qt cannot name a folder whose name is not UTF-8: the system is asked too.
        if (raw::isMountPoint(f))
            return RemovalRefusal::Root;
        const QStorageInfo volume(f);
        if (!hasRawBytes(f) && volume.isValid() && same(resolved(volume.rootPath()), f))
            return RemovalRefusal::Root;
    }
    const QString home = resolved(QDir::homePath());
    const QString program = programFolder().isEmpty() ? QString() : resolved(programFolder());
    const QString input = inputFolder.isEmpty() ? QString() : resolved(inputFolder);
    if (same(f, home))
        return RemovalRefusal::Home;
    if (!program.isEmpty() && same(f, program))
        return RemovalRefusal::ProgramFolder;
    if (!input.isEmpty() && same(f, input))
        return RemovalRefusal::InputFolder;
    for (const QString &p : {input, program, home})
        if (!p.isEmpty() && within(p, f))
            return RemovalRefusal::HoldsProtected;
    return RemovalRefusal::None;
}

RemovalRefusal removeTree(const QString &folder, const QString &inputFolder)
{
    const RemovalRefusal r = treeRemovalRefusal(folder, inputFolder);
    if (r != RemovalRefusal::None)
        return r;
    if (raw::isLink(folder))
        raw::remove(folder);
    else if (raw::isFolder(folder))
        raw::removeTree(folder); // links inside are removed, not followed
    return r;
}

} // namespace fd
