#include "outputs/Walk.h"
#include "app/FDispatch.h"

#include "catalogue/CatalogueModel.h"
#include "catalogue/Scan.h"
#include "outputs/FlexGrid.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QRadioButton>
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

void walk(FDispatch &w, QString path, WalkContext &ctx)
{
    // A bare drive such as D: means its root.
    if (path.size() == 2 && path.at(1) == QLatin1Char(':'))
        path += paths::sep();
    if (w.stopRequested || !canOpen(path))
        return;

    // Output folders can be many thousands: keep the window painted, but take no
    // input while the list is being built.
    if (++ctx.visited % 64 == 0)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    const bool customOnly = w.customOnlyMode();
    if (customOnly && w.cat.customSubfolders.startsWith(QLatin1Char('*'))) {
        w.cat.customSubfolders.remove(0, 1);
        ScanFolder(w, path);
        shell().message(QStringLiteral("分发完毕！"), QStringLiteral("消息"), Icon::Information, Buttons::Ok);
        return;
    }
    if (!customOnly && ctx.purpose == WalkPurpose::Catalogue)
        ScanFolder(w, path);
    if (w.ChRndDraw->isChecked())
        return;

    if (customOnly) {
        // Entries are relative to the walked folder: \a for D:\out\a, a for D:\a.
        for (const QString &sub : subfoldersOf(path)) {
            QString entry = sub;
            if (entry.startsWith(path))
                entry.remove(0, path.size());
            w.cat.customSubfolders += entry + QLatin1Char('\t');
        }
        return;
    }

    if (!w.ChSubFold->isChecked() || (!w.cat.treeWalk && w.Opt3->isChecked()))
        return;
    // Listed only when walked into: a folder of 100,000 files takes a while to list.
    const QStringList subs = subfoldersOf(path);

    const QString canonical = raw::canonicalPath(path);
    ctx.ancestors.insert(canonical);
    for (const QString &sub : subs) {
        if (ctx.purpose == WalkPurpose::OutputList && w.Opt3->isChecked()
            && !w.MSFlexGrid1->hasInColumn0(sub)) {
            w.appendOutputRow(sub, paths::lastComponent(sub));
            if (w.MSFlexGrid1->rows() % 7 == 0)
                w.MSFlexGrid1->setTopRow(w.MSFlexGrid1->rows() - 1);
        }
        if (ctx.ancestors.contains(raw::canonicalPath(sub)))
            continue;
        walk(w, sub, ctx);
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

void WalkFolder(FDispatch &w, const QString &path, WalkPurpose purpose)
{
    FDispatch::LongOperation busy(w);
    WalkContext ctx{purpose, {}, 0};
    walk(w, path, ctx);
}

} // namespace fd
