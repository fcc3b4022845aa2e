#include "outputs/Walk.h"

#include "catalogue/Scan.h"
#include "dispatch/Port.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>

namespace fd {

namespace {

struct WalkContext {
    WalkPurpose purpose;
    // Canonical paths of the folders on the way down: a link back to one of them
    // would make the walk endless.
    QSet<QString> ancestors;
    int visited = 0;
};

bool canOpen(const QString &folder) { return raw::canList(folder); }

void walk(Port &port, QString path, WalkContext &ctx)
{
    // A bare drive such as D: means its root.
    if (path.size() == 2 && path.at(1) == QLatin1Char(':'))
        path += paths::sep();
    if (port.stopRequested() || !canOpen(path))
        return;

    // Output folders can be many thousands: keep the window painted, but take no
    // input while the list is being built.
    if (++ctx.visited % 64 == 0)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    if (ctx.purpose == WalkPurpose::Catalogue)
        ScanFolder(port, path);
    const ModeSwitches s = port.modeSwitches();
    if (s.draw)
        return;

    if (!port.walkSubfolders() || (!port.catalogue().treeWalk && s.customFolders))
        return;
    // Listed only when walked into: a folder of 100,000 files takes a while to list.
    const QStringList subs = subfoldersOf(path);

    const QString canonical = raw::canonicalPath(path);
    ctx.ancestors.insert(canonical);
    for (const QString &sub : subs) {
        if (ctx.purpose == WalkPurpose::OutputList && port.modeSwitches().customFolders
            && !port.hasOutputFolder(sub))
            port.appendOutputFolder(sub, paths::lastComponent(sub));
        if (ctx.ancestors.contains(raw::canonicalPath(sub)))
            continue;
        walk(port, sub, ctx);
    }
    ctx.ancestors.remove(canonical);
}

} // namespace

QStringList subfoldersOf(const QString &folder)
{
    QStringList names;
    if (const auto entries = raw::listFolder(folder))
        for (const raw::Entry &e : *entries)
            if (e.kind == raw::Kind::Folder)
                names.append(e.name);
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return QString::compare(a, b, Qt::CaseSensitive) < 0; });
    QStringList out;
    out.reserve(names.size());
    for (const QString &n : names)
        out.append(paths::join(folder, n));
    return out;
}

void WalkFolder(Port &port, const QString &path, WalkPurpose purpose)
{
    WalkContext ctx{purpose, {}, 0};
    walk(port, path, ctx);
}

} // namespace fd
