#include "dispatch/PlanLayers.h"

#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"

#include <algorithm>

namespace fd {

namespace {

QString parentOf(const QString &path) { return paths::withoutTrailingSep(paths::folderOf(path)); }
QString folderKey(const QString &folder) { return paths::withoutTrailingSep(folder); }

bool isCopyKind(ActionKind k) { return k == ActionKind::Copy || k == ActionKind::Rename || k == ActionKind::Overwrite; }

} // namespace

// ---- The rows -------------------------------------------------------------------

void ActionList::add(ActionKind kind, const QString &source, const QString &target, long long bytes, bool sourceGoes)
{
    if (!target.isEmpty() && kind != ActionKind::Delete)
        showFoldersOf(target);
    PlanRow row{Action{kind, source, target, sourceGoes}, bytes};
    if (isCopyKind(kind) && !sourceGoes) {
        if (source != lastSource_) {
            lastSource_ = source;
            lastCopies_.clear();
        }
        lastCopies_.append(int(rows.size()));
    }
    rows.append(std::move(row));
}

void ActionList::showFoldersOf(const QString &target)
{
    if (pendingSet_.isEmpty())
        return;
    QStringList chain;
    for (QString f = parentOf(target); pendingSet_.contains(f); f = parentOf(f)) {
        chain.prepend(f);
        pendingSet_.remove(f);
    }
    for (const QString &f : chain)
        rows.append(PlanRow{Action{ActionKind::MakeFolder, {}, f, false}, 0});
}

void ActionList::folderMade(const QString &folder)
{
    const QString f = folderKey(folder);
    if (!pendingSet_.contains(f)) {
        pending_.append(f);
        pendingSet_.insert(f);
    }
}

bool ActionList::folderDropped(const QString &folder) { return pendingSet_.remove(folderKey(folder)); }

QStringList ActionList::lastCopiesOf(const QString &source) const
{
    QStringList out;
    if (source == lastSource_)
        for (int i : lastCopies_)
            out.append(rows[i].action.target);
    return out;
}

void ActionList::sourceReleased(const QString &source)
{
    if (source != lastSource_ || lastCopies_.isEmpty())
        return;
    // The source leaves with its last copy.
    Action &last = rows[lastCopies_.last()].action;
    last.sourceGoes = true;
    if (last.kind == ActionKind::Copy)
        last.kind = ActionKind::Move;
    lastCopies_.clear();
    lastSource_.clear();
}

void ActionList::finish()
{
    for (const QString &f : std::exchange(pending_, {}))
        if (pendingSet_.remove(f))
            rows.append(PlanRow{Action{ActionKind::MakeFolder, {}, f, false}, 0});
}

ActionKind actionOf(const TransferResult &r, bool taken, bool clashRenamed, const QString &source,
                    const QString &target, bool move)
{
    if (!r.copied)
        return r.failed ? ActionKind::Fail : ActionKind::Skip;
    if (clashRenamed)
        return ActionKind::Rename;
    if (taken)
        return ActionKind::Overwrite;
    if (paths::lastComponent(source) != paths::lastComponent(target))
        return ActionKind::Rename;
    return move ? ActionKind::Move : ActionKind::Copy;
}

namespace {

void addTransferRow(ActionList &list, ActionKind kind, const QString &source, const QString &target, long long bytes,
                    bool move)
{
    list.add(kind, source, target, bytes, move && kind != ActionKind::Fail && kind != ActionKind::Skip);
}

// The files below a folder on the disk, first level first.
void filesBelow(const QString &folder, QStringList &out)
{
    const auto entries = raw::listFolder(folder);
    if (!entries)
        return;
    QStringList folders;
    for (const raw::Entry &e : *entries) {
        const QString path = paths::join(folder, e.name);
        if (e.kind == raw::Kind::Folder && !e.link)
            folders.append(path);
        else
            out.append(path);
    }
    for (const QString &f : folders)
        filesBelow(f, out);
}

// ---- Planning: nothing changes, the planned state is kept -------------------------

struct FileKey {
    unsigned long long device = 0, number = 0;
    bool operator==(const FileKey &o) const { return device == o.device && number == o.number; }
};

// What lies at a path as the plan sees it.
struct Seen {
    bool exists = false, folder = false, plain = false;
    bool mayNotReplace = false, own = false;
    bool made = false; // a folder the plan makes: nothing of the disk lies in it
    FileKey id;
    long long size = 0;
    unsigned long long device = 0;
};

class PlanLayer : public FileLayer {
public:
    explicit PlanLayer(ActionList &list) : list_(list) {}

    bool planning() const override { return true; }

    TransferResult transfer(const QString &source, QString &destination, Clash clash, DiskFull, bool move) override
    {
        TransferResult r;
        if (source.isEmpty())
            return r;
        const Seen from = look(source);
        if (!from.exists || !from.plain) {
            list_.add(ActionKind::Skip, source, destination);
            return r;
        }
        auto fail = [&] {
            r.failed = true;
            list_.add(ActionKind::Fail, source, destination);
            return r;
        };
        if (move && from.own)
            return r.sourceFailed = true, fail();
        const Seen there = look(destination);
        bool renamed = false;
        if (there.exists) {
            const bool self = there.id == from.id && (there.plain || there.folder);
            switch (clashRule(there.folder, self, clash, [&] { return there.mayNotReplace; })) {
            case AtDestination::Fail: return fail();
            case AtDestination::Leave: list_.add(ActionKind::Skip, source, destination); return r;
            case AtDestination::Rename:
                destination = clashName(destination);
                while (look(destination).exists)
                    destination = nextClashName(destination);
                renamed = true;
                break;
            case AtDestination::Overwrite: break;
            }
        }
        const QString folder = parentOf(destination);
        if (!look(folder).folder)
            return fail();
        Seen placed;
        placed.exists = placed.plain = true;
        placed.size = from.size;
        placed.device = deviceOf(folder);
        placed.id = move ? from.id : FileKey{~0ULL, ++copies_};
        placed.mayNotReplace = move; // the only copy: no later file replaces it
        if (!there.exists || renamed)
            ++children_[folder];
        nodes_.insert(destination, placed);
        if (move)
            gone(source);
        r.copied = true;
        const long long bytes = move && placed.device == from.device ? 0 : from.size;
        addTransferRow(list_, actionOf(r, there.exists, renamed, source, destination, move), source, destination, bytes,
                       move);
        return r;
    }

    void releaseSource(const QString &source) override
    {
        const QStringList copies = list_.lastCopiesOf(source);
        if (copies.isEmpty())
            return;
        list_.sourceReleased(source);
        for (const QString &c : copies)
            if (nodes_.contains(c))
                nodes_[c].mayNotReplace = true;
        gone(source);
    }

    bool makePath(const QString &folder) override
    {
        QStringList missing;
        for (QString p = folderKey(folder); !p.isEmpty();) {
            const Seen s = look(p);
            if (s.exists) {
                if (!s.folder)
                    return false;
                break;
            }
            missing.prepend(p);
            const QString up = parentOf(p);
            if (up == p)
                break;
            p = up;
        }
        for (const QString &m : missing) {
            Seen f;
            f.exists = f.folder = f.made = true;
            f.device = deviceOf(parentOf(m));
            ++children_[parentOf(m)];
            nodes_.insert(m, f);
            list_.folderMade(m);
        }
        return true;
    }

    bool removeFolder(const QString &folder) override
    {
        const QString f = folderKey(folder);
        if (!look(f).folder || !isEmptyFolder(f))
            return false;
        gone(f);
        if (!list_.folderDropped(f))
            list_.add(ActionKind::Delete, {}, f);
        return true;
    }

    TreeRemoval removeTree(const QString &folder, const QString &inputFolder) override
    {
        TreeRemoval t{judgeTreeRemoval(folder, inputFolder), {}};
        const QString f = folderKey(folder);
        if (t.verdict.why != RemovalRefusal::None || !look(f).exists)
            return t;
        // The files of the disk the plan has not touched, then those it placed there.
        QStringList files, onDisk;
        if (!underCleared(f) && !nodes_.value(f).made)
            filesBelow(f, onDisk);
        for (const QString &p : std::as_const(onDisk))
            if (!nodes_.contains(p))
                files.append(p);
        const QString below = paths::withTrailingSep(f);
        for (auto it = nodes_.begin(); it != nodes_.end();) {
            if (it.key().startsWith(below)) {
                if (it->exists && !it->folder)
                    files.append(it.key());
                it = nodes_.erase(it);
            } else {
                ++it;
            }
        }
        for (const QString &p : std::as_const(files))
            list_.add(ActionKind::Delete, {}, p);
        for (auto it = children_.begin(); it != children_.end();)
            it = it.key() == f || it.key().startsWith(below) ? children_.erase(it) : ++it;
        cleared_.append(f);
        gone(f);
        ++list_.foldersCleared;
        return t;
    }

    bool occupied(const QString &path) override { return look(path).exists; }
    bool folderExists(const QString &path) override { return look(folderKey(path)).folder; }

    bool isEmptyFolder(const QString &folder) override
    {
        const QString f = folderKey(folder);
        if (children_.value(f) > 0 || !look(f).folder)
            return false;
        return nodes_.value(f).made || underCleared(f) || raw::isEmptyFolder(f);
    }

    bool sameFile(const QString &a, const QString &b) override
    {
        const Seen x = look(a), y = look(b);
        return x.exists && y.exists && x.id == y.id;
    }

private:
    Seen look(const QString &path)
    {
        const auto it = nodes_.constFind(path);
        if (it != nodes_.constEnd())
            return *it;
        if (underCleared(path) || nodes_.value(parentOf(path)).made)
            return {};
        raw::Info self;
        if (!folders_.info(path, self, false))
            return {};
        Seen s;
        s.exists = true;
        raw::Info f = self;
        if (self.link && !folders_.info(path, f, true))
            return s; // a link leading nowhere
        s.folder = f.folder;
        s.plain = f.plain;
        s.id = {f.device, f.number};
        s.size = f.size;
        s.device = f.device;
        s.mayNotReplace = mayNotReplaceFile(self);
        s.own = isProgramFile(f);
        return s;
    }

    void gone(const QString &path)
    {
        const auto it = nodes_.find(path);
        if (it != nodes_.end() && it->exists) {
            auto c = children_.find(parentOf(path));
            if (c != children_.end() && *c > 0)
                --*c;
        }
        nodes_.insert(path, Seen{});
    }

    bool underCleared(const QString &path) const
    {
        for (const QString &c : cleared_)
            if (path == c || (path.startsWith(c) && path.at(c.size()) == paths::sep()))
                return true;
        return false;
    }

    // The device a new file of the folder lands on: that of its nearest existing folder.
    unsigned long long deviceOf(const QString &folder)
    {
        const auto it = devices_.constFind(folder);
        if (it != devices_.constEnd())
            return *it;
        unsigned long long d = 0;
        raw::Info i;
        for (QString p = folder; !p.isEmpty(); p = parentOf(p)) {
            if (raw::info(p, i, true)) {
                d = i.device;
                break;
            }
            if (parentOf(p) == p)
                break;
        }
        devices_.insert(folder, d);
        return d;
    }

    ActionList &list_;
    QHash<QString, Seen> nodes_; // planned: placed, made, or gone (exists false)
    raw::FolderHandles folders_; // the disk's files are looked up in their folders
    QHash<QString, int> children_; // entries the plan added to a folder
    QHash<QString, unsigned long long> devices_;
    QStringList cleared_;
    unsigned long long copies_ = 0;
};

QString rowKey(const Action &a)
{
    return QString::number(int(a.kind)) + QChar(0) + a.source + QChar(0) + a.target;
}

} // namespace

std::unique_ptr<FileLayer> planningLayer(ActionList &list) { return std::make_unique<PlanLayer>(list); }

// ---- A run from a plan: acts, and records what it did -----------------------------

TransferResult ObserveLayer::transfer(const QString &source, QString &destination, Clash clash, DiskFull onFull,
                                      bool move)
{
    const QString wanted = destination;
    const bool taken = !source.isEmpty() && raw::occupied(destination);
    const TransferResult r = move ? moveOnDisk(source, destination, clash, onFull)
                                  : transferOnDisk(source, destination, clash, onFull);
    if (!source.isEmpty())
        addTransferRow(list, actionOf(r, taken, destination != wanted, source, destination, move), source,
                       destination, 0, move);
    return r;
}

void ObserveLayer::releaseSource(const QString &source)
{
    releaseSourceOnDisk(source);
    list.sourceReleased(source);
}

bool ObserveLayer::makePath(const QString &folder)
{
    QStringList missing;
    for (QString p = folderKey(folder); !p.isEmpty() && !raw::occupied(p);) {
        missing.prepend(p);
        const QString up = parentOf(p);
        if (up == p)
            break;
        p = up;
    }
    const bool ok = fs::makePathOnDisk(folder);
    for (const QString &m : missing)
        if (raw::isFolder(m))
            list.folderMade(m);
    return ok;
}

bool ObserveLayer::removeFolder(const QString &folder)
{
    if (!fs::removeFolderOnDisk(folder))
        return false;
    if (!list.folderDropped(folder))
        list.add(ActionKind::Delete, {}, folderKey(folder));
    return true;
}

TreeRemoval ObserveLayer::removeTree(const QString &folder, const QString &inputFolder)
{
    const QString f = folderKey(folder);
    const bool existed = raw::occupied(f);
    QStringList files;
    if (existed && judgeTreeRemoval(folder, inputFolder).why == RemovalRefusal::None)
        filesBelow(f, files);
    const TreeRemoval t = fs::removeTreeOnDisk(folder, inputFolder);
    if (existed && t.done()) {
        for (const QString &p : files)
            list.add(ActionKind::Delete, {}, p);
        ++list.foldersCleared;
    }
    return t;
}

// The folders follow from the files and are not counted.
int ObserveLayer::differences() const
{
    QHash<QString, int> planned;
    for (const PlanRow &r : plan_.list.rows)
        if (r.action.kind != ActionKind::MakeFolder)
            ++planned[rowKey(r.action)];
    int extra = 0;
    for (const PlanRow &r : list.rows) {
        if (r.action.kind == ActionKind::MakeFolder)
            continue;
        auto it = planned.find(rowKey(r.action));
        if (it != planned.end() && *it > 0)
            --*it;
        else
            ++extra;
    }
    int missing = 0;
    for (int n : std::as_const(planned))
        missing += n;
    return std::max(extra, missing);
}

bool ObserveLayer::occupied(const QString &path) { return raw::occupied(path); }
bool ObserveLayer::folderExists(const QString &path) { return paths::folderExists(path); }
bool ObserveLayer::isEmptyFolder(const QString &folder) { return raw::isEmptyFolder(folder); }
bool ObserveLayer::sameFile(const QString &a, const QString &b) { return raw::sameFile(a, b); }

} // namespace fd
