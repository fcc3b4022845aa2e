// Custom-only dispatch: each input file goes into the existing subfolder of the
// output folder whose name contains the file's base name.
#include "catalogue/CustomDispatch.h"

#include "catalogue/Wildcard.h"
#include "dispatch/Port.h"
#include "dispatch/Transfer.h"
#include "outputs/Walk.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"

namespace fd {

namespace {

QString firstMatching(const QString &folder, const QString &pattern)
{
    QString found;
    forEachFileName(folder, false, [&](const QString &name) {
        if (!wildcardMatch(pattern, name))
            return true;
        found = name;
        return false;
    });
    return found;
}

// A part naming the folder itself or its parent would lead out of the target.
bool isFolderName(const QString &part) { return part != QLatin1String(".") && part != QLatin1String(".."); }

} // namespace

QString folderStem(const QString &folder, const QString &fallbackName)
{
    QString stem = firstMatching(folder, QStringLiteral("*.jpg"));
    if (stem.isEmpty())
        stem = firstMatching(folder, QStringLiteral("*.jpeg"));
    if (stem.isEmpty())
        stem = fallbackName;
    const qsizetype dot = stem.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        stem.truncate(dot);
    const qsizetype dash = stem.indexOf(QLatin1Char('-'));
    if (dash >= 0)
        stem.truncate(dash);
    return stem;
}

QStringList customSubfolderEntries(const QString &outputFolder)
{
    QStringList entries;
    for (QString entry : subfoldersOf(outputFolder)) {
        if (entry.startsWith(outputFolder))
            entry.remove(0, outputFolder.size());
        entries.append(entry);
    }
    return entries;
}

QString CustomDispatchFile(Port &port, const QStringList &entries, const QString &path, long long &placed,
                           bool moving)
{
    QString failedAt;
    const QString name = paths::lastComponent(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    // The extension of the name itself: a "." in a folder of the path is none.
    const QString extension = dot < 0 ? QString() : name.mid(dot);

    // An empty base name is contained in every entry: it names none of them.
    const QString *entry = nullptr;
    if (!base.isEmpty()) {
        for (const QString &e : entries) {
            if (e.contains(base)) {
                entry = &e;
                break;
            }
        }
    }
    if (entry) {
        const QString out = port.outputFolder();
        const QString target = paths::join(out, *entry);
        const bool move = moving;
        if (!base.contains(QLatin1Char('-'))) {
            QString dst = paths::join(target, folderStem(target, paths::lastComponent(*entry)) + extension);
            // Moving never replaces: the source is deleted, so an earlier input's
            // file of the same name would be gone for good. A copy replaces an
            // older file of that name.
            const TransferResult r = move ? Move(path, dst, Clash::Skip) : Transfer(path, dst, Clash::Overwrite);
            if (r.copied)
                ++placed;
            else if (r.failed)
                failedAt = dst;
        } else {
            bool any = false;
            for (const QString &part : base.split(QLatin1Char('-'))) {
                const QString folder = paths::join(target, part);
                if (!isFolderName(part) || !raw::isFolder(folder))
                    continue;
                QString dst = paths::join(folder, folderStem(folder, paths::lastComponent(*entry)) + extension);
                const TransferResult r = Transfer(path, dst, move ? Clash::Skip : Clash::Overwrite);
                any = any || r.copied;
                if (r.failed && failedAt.isEmpty())
                    failedAt = dst;
            }
            if (any) {
                ++placed;
                if (move)
                    ReleaseSource(path);
            }
        }
    }
    port.setTitle(port.savedTitle() + QStringLiteral("   目标文件已分发...") + QString::number(placed));
    return failedAt;
}

} // namespace fd
