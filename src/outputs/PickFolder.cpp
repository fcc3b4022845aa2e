#include "outputs/PickFolder.h"

#include "platform/Paths.h"
#include "platform/Shell.h"

namespace fd {

PathStyle PathStyle::native()
{
#ifdef Q_OS_WIN
    return {paths::sep(), true};
#else
    return {paths::sep(), false};
#endif
}

namespace {

QString collapsePairs(QString s, QChar sep)
{
    // Runs of any length collapse: a single pass would leave "a//" of "a///" and
    // so a trailing separator on the result.
    const QString pair = QString(sep) + sep;
    while (s.contains(pair))
        s.replace(pair, QString(sep));
    return s;
}

} // namespace

QString normaliseInitialFolder(const QString &folder, const PathStyle &style)
{
    if (folder.isEmpty())
        return folder;
    return collapsePairs(folder + style.sep, style.sep);
}

QString normalisePickedFolder(const QString &path, const PathStyle &style)
{
    if (path.isEmpty())
        return path;
    QString s = collapsePairs(path + style.sep, style.sep);
    if (style.networkPrefix && s.startsWith(style.sep))
        s.prepend(style.sep); // the network prefix lost one separator above
    // Without drives, the root is the lone separator and must not become empty.
    if (s.endsWith(style.sep) && !(!style.networkPrefix && s.size() == 1))
        s.chop(1);
    return s;
}

QString resolvePickedFolder(const QString &chosen, const QString &workFolder,
                            const std::function<bool(const QString &)> &folderExists,
                            const PathStyle &style)
{
    QString raw = chosen;
    const int nul = raw.indexOf(QChar(0));
    if (nul >= 0)
        raw.truncate(nul);
    const QString path = normalisePickedFolder(raw, style);
    if (!path.isEmpty() && !folderExists(path))
        return workFolder;
    return path;
}

QString PickFolder(const QString &title, const QString &initialFolder, bool newStyle,
                   const QString &workFolder)
{
    const QString chosen = shell().chooseFolder(title, normaliseInitialFolder(initialFolder), newStyle);
    return resolvePickedFolder(chosen, workFolder, [](const QString &p) { return paths::folderExists(p); });
}

} // namespace fd
