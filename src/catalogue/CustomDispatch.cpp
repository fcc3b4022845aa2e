// Custom-only dispatch: each input file goes into the existing subfolder of the
// output folder whose name contains the file's base name.
#include "catalogue/CustomDispatch.h"

#include "app/FDispatch.h"
#include "catalogue/Wildcard.h"
#include "dispatch/Transfer.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"

#include <QCheckBox>
#include <cerrno>

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

// A move that never replaces: a rename on one file system, else a copy that
// skips an existing name and then the deletion of the source.
bool moveNoReplace(const QString &source, const QString &destination)
{
    if (raw::rename(source, destination, false))
        return true;
    if (raw::lastError() != EXDEV)
        return false;
    QString dst = destination;
    if (!Transfer(source, dst, Clash::Skip).copied)
        return false;
    raw::remove(source); // the copy is whole; a source that stays is only a spare
    return true;
}

// Copies, replacing an older file of that name through a temporary one.
bool copyReplacing(const QString &source, const QString &destination)
{
    QString dst = destination;
    return Transfer(source, dst, Clash::Overwrite).copied;
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

void CustomDispatchFile(FDispatch &w, const QStringList &entries, const QString &path, long long &placed)
{
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
        const QString out = w.LDirOut->caption();
        const QString target = paths::join(out, *entry);
        const bool move = w.ChBackUp->isChecked();
        if (!base.contains(QLatin1Char('-'))) {
            const QString dst = paths::join(target, folderStem(target, paths::lastComponent(*entry)) + extension);
            // Moving never replaces: the source is deleted, so an earlier input's
            // file of the same name would be gone for good.
            if (move ? moveNoReplace(path, dst) : copyReplacing(path, dst))
                ++placed;
        } else {
            bool any = false;
            for (const QString &part : base.split(QLatin1Char('-'))) {
                const QString folder = paths::join(target, part);
                if (!isFolderName(part) || !raw::isFolder(folder))
                    continue;
                QString dst = paths::join(folder, folderStem(folder, paths::lastComponent(*entry)) + extension);
                const TransferResult r = Transfer(path, dst, move ? Clash::Skip : Clash::Overwrite);
                any = any || r.copied;
            }
            if (any) {
                ++placed;
                if (move)
                    raw::remove(path); // a failing deletion leaves the source
            }
        }
    }
    w.setWindowTitle(w.windowTag() + QStringLiteral("   目标文件已分发...") + QString::number(placed));
}

} // namespace fd
