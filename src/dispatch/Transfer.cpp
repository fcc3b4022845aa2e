// The single place where the dispatch engine writes a file.
#include "dispatch/Transfer.h"

#include "catalogue/FileList.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Places.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"
#include "platform/Shell.h"
#include "platform/WriteSlot.h"
#include "dispatch/FileLayer.h"
#include "dispatch/Pace.h"
#include "dispatch/RunJournal.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QVector>
#include <atomic>
#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

namespace fd {

QString clashStamp(const QTime &t)
{
    return QString::number(t.hour()) + QString::number(t.minute()) + QString::number(t.second());
}

DestinationParts splitDestination(const QString &destination)
{
    DestinationParts p;
    const QString s = destination;
    const int cut = int(s.lastIndexOf(paths::sep()));
    p.folder = s.left(cut + 1);
    const QString name = s.mid(cut + 1);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    if (dot < 0) {
        p.base = name;
    } else {
        p.base = name.left(dot);
        p.extension = name.mid(dot);
    }
    return p;
}

namespace {

// Inserts "_" and the stamp before the last "." of the file name (at its end without one).
QString withStampBeforeExtension(const QString &path, const QString &stamp)
{
    const DestinationParts p = splitDestination(path);
    return p.folder + p.base + QLatin1Char('_') + stamp + p.extension;
}

QTime g_stampAt; // invalid: the clock's time

QTime stampTime() { return g_stampAt.isValid() ? g_stampAt : clock().now().time(); }

} // namespace

void setClashStampTime(const QTime &t) { g_stampAt = t; }

// The first name a clash renames the destination to.
QString clashName(const QString &destination)
{
    const DestinationParts p = splitDestination(destination);
    return p.folder + p.base + QStringLiteral("_同名") + clashStamp(stampTime()) + p.extension;
}

// Repeated clashes within one second keep adding the stamp, never overwrite.
QString nextClashName(const QString &taken) { return withStampBeforeExtension(taken, clashStamp(stampTime())); }

namespace {

// Anything at the path, hidden or not: a file we would replace or hide behind.
bool occupied(const QString &path)
{
    raw::Info i;
    return raw::info(path, i, false);
}

bool isFolder(const QString &path)
{
    raw::Info i;
    return raw::info(path, i, true) && i.folder;
}

} // namespace

AtDestination clashRule(bool folderThere, bool sourceThere, Clash clash, const std::function<bool()> &mayNotReplaceThere)
{
    // A folder in the way is no name clash: nothing can be written there.
    if (folderThere)
        return AtDestination::Fail;
    // Its own destination: writing would destroy the only copy.
    if (sourceThere || clash == Clash::Skip)
        return AtDestination::Leave;
    if (clash == Clash::Rename)
        return AtDestination::Rename;
    return mayNotReplaceThere() ? AtDestination::Fail : AtDestination::Overwrite;
}

// ---- The run's session ---------------------------------------------------------

struct FileId {
    unsigned long long device = 0, number = 0;
    bool operator==(const FileId &o) const { return device == o.device && number == o.number; }
};
inline size_t qHash(const FileId &id, size_t seed = 0) { return qHashMulti(seed, id.device, id.number); }

namespace {
FileId idOf(const raw::Info &i) { return {i.device, i.number}; }

// A source waiting for its copies to reach the disk.
struct PendingDeletion {
    QString source;
    raw::Info stamp; // as it was opened for the copy
    QStringList destinations;
    QList<unsigned long long> devices; // of the destinations
};
} // namespace

// Files this run moved, the only copy of each: noted in order, and put in a set
// only when a clash asks, which most runs never do.
class PlacedFiles {
public:
    void insert(FileId id) { log_.push_back(id); }
    bool contains(FileId id) const
    {
        for (; indexed_ < log_.size(); ++indexed_)
            set_.insert(log_[indexed_]);
        return set_.contains(id);
    }

private:
    std::vector<FileId> log_;
    mutable QSet<FileId> set_;
    mutable size_t indexed_ = 0;
};

struct TransferSession::State {
    TransferSession::FailureReport failed;
    PlacedFiles placed;
    QSet<FileId> own;    // the program's files
    QSet<QString> swept; // folders already cleared of interrupted runs' leftovers
    QSet<QString> seen;  // folders the run's rules have asked for
    long long startedNs = QDateTime::currentMSecsSinceEpoch() * 1000000LL;
    QVector<PendingDeletion> pending;
    QElapsedTimer batchAge;
    std::unique_ptr<WriteSlot> slot; // new files go straight to their names while it is usable
    raw::FolderHandles folders;      // sources and new files are opened in them

    void addOwn(const QString &path)
    {
        raw::Info i;
        if (raw::info(path, i, true))
            own.insert(idOf(i));
    }
};

namespace {

TransferSession *g_session = nullptr;
TransferSession::State *state();

bool isOwn(const raw::Info &i)
{
    const TransferSession::State *s = state();
    return s && s->own.contains(idOf(i));
}

// A file this run moved, or one of the program's, is never replaced; nor is a
// read-only one, even where the user could write it anyway.
bool mayNotReplace(const raw::Info &i)
{
    if (i.link)
        return false;
    if (i.readOnly)
        return true;
    const TransferSession::State *s = state();
    return s && (s->placed.contains(idOf(i)) || s->own.contains(idOf(i)));
}

AtDestination decideClash(const QString &destination, const raw::Info &from, Clash clash)
{
    raw::Info there;
    const bool seen = raw::info(destination, there, true);
    return clashRule(seen && there.folder, seen && there.sameFileAs(from), clash, [&] {
        raw::Info self;
        return raw::info(destination, self, false) && mayNotReplace(self);
    });
}

// The first free clash name, as Rename asks.
QString freeClashName(const QString &destination)
{
    QString name = clashName(destination);
    while (occupied(name))
        name = nextClashName(name);
    return name;
}

// An interrupted run may have left temporary files where this one writes.
void sweepLeftovers(const QString &destination)
{
    TransferSession::State *s = state();
    if (!s)
        return;
    const QString folder = paths::folderOf(destination);
    if (s->swept.contains(folder))
        return;
    s->swept.insert(folder);
    // A folder changed since the run began was made by it: nothing to clear there.
    raw::Info f;
    if (raw::info(folder, f, true) && f.modifiedNs < s->startedNs)
        raw::removeLeftoverTemporaries(folder);
}

bool absent(int error) { return error == ENOENT || error == ENOTDIR; }

struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            raw::close(fd);
    }
    bool closeNow()
    {
        const int f = fd;
        fd = -1;
        return f < 0 || raw::close(f);
    }
};

// One piece at a time through memory, where the kernel cannot copy by itself.
// Kept for the process: a run must not allocate it per file.
char *pieceBuffer()
{
    static thread_local std::unique_ptr<char[]> buf;
    if (!buf)
        buf.reset(new char[size_t(kTransferPiece) + 1]); // one byte more tells of a growing source
    return buf.get();
}

std::function<void(long long)> g_pieceHook;

// Where the kernel refused to copy last time (a pair of file systems it cannot
// copy between): such files go through memory without asking it again.
struct NoKernelCopy {
    unsigned long long device = 0;
    QString folder;
    bool matches(unsigned long long d, const QString &destination) const
    {
        return !folder.isEmpty() && d == device && destination.startsWith(folder)
            && destination.indexOf(paths::sep(), folder.size()) < 0;
    }
};
NoKernelCopy g_noKernelCopy;

// A source that exists but cannot be opened: the clash rules still decide first,
// as for any other source, before the failure.
TransferResult unreadableSource(const QString &source, QString &destination, Clash clash)
{
    TransferResult r;
    if (!isFolder(destination) && occupied(destination)) {
        if (clash == Clash::Skip || raw::sameFile(source, destination))
            return r;
        if (clash == Clash::Rename) {
            destination = clashName(destination);
            while (occupied(destination))
                destination = nextClashName(destination);
        }
    }
    r.failed = true;
    r.sourceFailed = true;
    return r;
}

// The copies of the source copied last: what ReleaseSource may delete.
struct LastCopy {
    QString source;
    raw::Info stamp;
    QStringList destinations;
    bool whole = true; // false when the source changed between two of its copies
};
LastCopy g_lastCopy;

void rememberCopy(const QString &source, const raw::Info &stamp, const QString &destination)
{
    if (g_lastCopy.source != source) {
        g_lastCopy = LastCopy{source, stamp, {}, true};
    } else if (!g_lastCopy.stamp.unchangedSince(stamp)) {
        g_lastCopy.whole = false;
    }
    g_lastCopy.destinations.append(destination);
}

// Deletes a source that is still the file its copies were made from; false when
// it is not, or cannot be deleted (a read-only disk): it stays, and the move is
// reported as not done. A source already gone is no failure.
bool deleteIfUnchanged(const PendingDeletion &p)
{
    raw::Info now;
    if (!raw::info(p.source, now, true))
        return absent(raw::lastError());
    if (!now.unchangedSince(p.stamp) || isOwn(now))
        return false;
    return raw::remove(p.source) || absent(raw::lastError());
}

// Hands a copied source over for deletion: to the run's batch, else at once after
// its copies are flushed. False when it was found changed and stays.
bool release(PendingDeletion p)
{
    TransferSession::State *s = state();
    for (const QString &d : p.destinations) {
        raw::Info i;
        if (raw::info(d, i, false)) {
            p.devices.append(i.device);
            if (s)
                s->placed.insert(idOf(i)); // from now on the only copy
        }
    }
    if (!s) {
        for (const QString &d : p.destinations)
            if (!raw::flushFileSystem(d))
                return false;
        return deleteIfUnchanged(p);
    }
    if (s->pending.isEmpty())
        s->batchAge.start();
    s->pending.append(std::move(p));
    // A batch waits at most about a second of work or a few hundred files.
    if (s->pending.size() >= 256 || s->batchAge.elapsed() >= 1000)
        g_session->flush();
    return true;
}

// What the run's journal is told of a step: null when it keeps none.
struct Placed {
    RunJournal *journal = nullptr;
    RunJournal::Entry entry = -1;
    raw::Info info; // the file at the destination
    bool replaced = false, renamed = false;
    QString begunAt; // the destination the step began with
};

TransferResult copyFile(const QString &source, QString &destination, Clash clash, DiskFull onFull,
                        raw::Info &from, Placed *placed = nullptr)
{
    TransferResult r;
    if (source.isEmpty())
        return r;

    TransferSession::State *session = state();
    Descriptor in;
    in.fd = session ? session->folders.openRead(source) : raw::openRead(source);
    if (in.fd < 0)
        return absent(raw::lastError()) ? r : unreadableSource(source, destination, clash);
    if (!raw::info(in.fd, from)) {
        r.failed = r.sourceFailed = true;
        return r;
    }
    if (!from.plain) // a folder, device or pipe is no file to copy
        return r;
    if (placed)
        placed->journal->stampSource(placed->entry, from);

    bool replacing = false, renamed = false;
    // The clash decides before anything is written, and again if the name is
    // taken by the time the copy is whole.
    auto decide = [&](bool exists) {
        if (!exists)
            return true;
        switch (decideClash(destination, from, clash)) {
        case AtDestination::Fail:
            r.failed = true;
            return false;
        case AtDestination::Leave:
            return false;
        case AtDestination::Rename:
            destination = renamed ? nextClashName(destination) : freeClashName(destination);
            renamed = true;
            return true;
        case AtDestination::Overwrite:
            replacing = true;
            return true;
        }
        return false;
    };
    // A small file is copied before its name is looked at: a taken name is rare,
    // and linking the finished copy tells of it without a call of its own.
    if (from.size > kTransferPiece && !decide(occupied(destination)))
        return r;

    // A new name is written straight into, the run's write slot telling the next
    // run of a file left half written; a replacement (or a run without the slot)
    // writes unnamed or under a temporary name and puts the file in place when
    // whole. Either way an interruption leaves no short file under the final name.
    sweepLeftovers(destination);
    WriteSlot *slot = nullptr;
    raw::Replacement out;
    if (session && session->slot && session->slot->usable())
        slot = session->slot.get();
    // A file of one piece is copied in one call: the slot's size rule covers it
    // without the new file's identity.
    const bool large = from.size > kTransferPiece;
    while (slot && !replacing) {
        if (!slot->begin(destination, from.size)) {
            slot = nullptr;
            break;
        }
        out.fd = session->folders.createNew(destination);
        if (out.fd >= 0 && !large)
            break;
        if (out.fd >= 0) {
            raw::Info made;
            if (!raw::info(out.fd, made)) {
                raw::close(out.fd);
                raw::remove(destination);
                slot->end();
                r.failed = true;
                return r;
            }
            slot->created(made);
            break;
        }
        slot->end();
        if (raw::lastError() != EEXIST) {
            r.failed = true;
            return r;
        }
        if (!decide(true))
            return r;
    }
    const bool direct = out.fd >= 0;
    if (!direct)
        out = raw::createReplacement(destination);
    if (out.fd < 0) {
        r.failed = true;
        return r;
    }
    auto discard = [&] {
        if (!direct)
            return raw::discardReplacement(out);
        raw::close(std::exchange(out.fd, -1));
        raw::remove(destination);
        slot->end();
    };
    // A full disk asks Retry / Cancel, or gives up at once for a caller that asks itself.
    auto retryAfterWriteError = [&](int err) {
        if (!raw::isDiskFull(err))
            return false;
        if (onFull == DiskFull::Ask
            && shell().message(QStringLiteral("磁盘空间已满，请清理以释放空间后重试"), QStringLiteral("消息"),
                               Icon::Information, Buttons::RetryCancel, Answer::Retry)
                   == Answer::Retry)
            return true;
        r.gaveUpAtFullDisk = true;
        return false;
    };

    const long long total = from.size;
    // A file of several pieces lets the window process its messages before each
    // one; a run paces itself between small files.
    bool kernelCopy = !g_noKernelCopy.matches(from.device, destination);
    long long done = 0;
    while (done < total) {
        if (large)
            pace::now();
        else
            pace::ifDue();
        const long long want = std::min(kTransferPiece, total - done);
        // The last piece asks for one byte more: a source still being written (a
        // download, a camera import) is not copied short and reported as copied.
        const long long ask = want + (done + want == total ? 1 : 0);
        if (g_pieceHook)
            g_pieceHook(want);
        long long got = 0;
        while (got < want) {
            if (kernelCopy) {
                const long long n = raw::copyRange(in.fd, out.fd, ask - got);
                if (n > 0) {
                    got += n;
                    continue;
                }
                const int err = n < 0 ? raw::lastError() : 0;
                if (n < 0 && raw::isDiskFull(err)) {
                    if (retryAfterWriteError(err))
                        continue; // the rest of the same piece again
                    discard();
                    r.failed = true;
                    return r;
                }
                // Not possible here, or an error: reading and writing tell which
                // file failed, and whether the source ended early.
                if (done == 0 && got == 0 && (err == EXDEV || err == EINVAL || err == EOPNOTSUPP))
                    g_noKernelCopy = NoKernelCopy{from.device, paths::folderOf(destination)};
                kernelCopy = false;
                continue;
            }
            char *buf = pieceBuffer();
            const long long n = raw::read(in.fd, buf, ask - got);
            if (n <= 0) { // read error, or the source shrank under us
                discard();
                r.failed = r.sourceFailed = true;
                return r;
            }
            long long put = 0;
            while (put < n) {
                const long long m = raw::write(out.fd, buf + put, n - put);
                if (m > 0) {
                    put += m;
                    continue;
                }
                if (m < 0 && retryAfterWriteError(raw::lastError()))
                    continue;
                discard();
                r.failed = true;
                return r;
            }
            got += n;
        }
        if (got > want) { // the source grew while it was copied: the copy goes, the source stays
            discard();
            r.failed = r.sourceFailed = true;
            return r;
        }
        done += want;
    }

    in.closeNow();
    if (placed) // what undo will know the copy by
        raw::info(out.fd, placed->info);
    if (direct) {
        // A close can still report a write that failed (a network disk).
        if (!raw::close(std::exchange(out.fd, -1))) {
            raw::remove(destination);
            slot->end();
            r.failed = true;
            return r;
        }
        slot->end();
        if (placed)
            placed->renamed = renamed;
        r.copied = true;
        return r;
    }
    for (;;) {
        if (replacing) {
            if (!raw::commitReplacement(out, destination)) {
                r.failed = true;
                return r;
            }
            break;
        }
        if (raw::linkNew(out, destination))
            break;
        if (raw::lastError() != EEXIST) { // linkNew has discarded it
            r.failed = true;
            return r;
        }
        if (!decide(true)) { // taken meanwhile: the clash decides again
            discard();
            return r;
        }
    }
    if (placed) {
        placed->replaced = replacing;
        placed->renamed = renamed;
    }
    r.copied = true;
    return r;
}

// The step goes into the run's journal before anything is touched.
Placed beginStep(ActionKind kind, const QString &source, const QString &destination)
{
    Placed p;
    p.journal = RunJournal::current();
    if (p.journal && !source.isEmpty()) {
        p.entry = p.journal->begin(kind, source, destination);
        p.begunAt = destination;
    }
    return p;
}

Placed *tracked(Placed &p) { return p.journal && p.entry >= 0 ? &p : nullptr; }

void endStep(Placed &p, bool move, const TransferResult &r, const QString &destination)
{
    if (!tracked(p))
        return;
    if (!r.copied) {
        p.journal->nothing(p.entry);
        return;
    }
    const ActionKind k = p.replaced ? ActionKind::Overwrite
        : p.renamed                 ? ActionKind::Rename
        : move                      ? ActionKind::Move
                                    : ActionKind::Copy;
    // The journal already holds the destination unless a clash renamed it.
    p.journal->done(p.entry, k, destination == p.begunAt ? QString() : destination, p.info);
}

TransferSession::State *state() { return g_session ? &g_session->state() : nullptr; }

} // namespace

bool mayNotReplaceFile(const raw::Info &i) { return mayNotReplace(i); }
bool isProgramFile(const raw::Info &i) { return isOwn(i); }

void setTransferPieceHook(std::function<void(long long)> hook) { g_pieceHook = std::move(hook); }

TransferResult Transfer(const QString &source, QString &destination, Clash clash, DiskFull onFull)
{
    if (FileLayer *l = fileLayer())
        return l->transfer(source, destination, clash, onFull, false);
    return transferOnDisk(source, destination, clash, onFull);
}

TransferResult Move(const QString &source, QString &destination, Clash clash, DiskFull onFull)
{
    if (FileLayer *l = fileLayer())
        return l->transfer(source, destination, clash, onFull, true);
    return moveOnDisk(source, destination, clash, onFull);
}

void ReleaseSource(const QString &source)
{
    if (FileLayer *l = fileLayer())
        return l->releaseSource(source);
    releaseSourceOnDisk(source);
}

TransferResult transferOnDisk(const QString &source, QString &destination, Clash clash, DiskFull onFull)
{
    forgetListings();
    raw::Info from;
    Placed step = beginStep(ActionKind::Copy, source, destination);
    const TransferResult r = copyFile(source, destination, clash, onFull, from, tracked(step));
    endStep(step, false, r, destination);
    if (r.copied)
        rememberCopy(source, from, destination);
    return r;
}

namespace {
TransferResult moveFile(const QString &source, QString &destination, Clash clash, DiskFull onFull, Placed *placed)
{
    // Another file system, or a rename refused for any other reason: copy, then
    // delete the source once the copy is whole and on the disk.
    auto copyThenDelete = [&](Clash c) {
        raw::Info stamp;
        TransferResult r = copyFile(source, destination, c, onFull, stamp, placed);
        if (r.copied && !release(PendingDeletion{source, stamp, {destination}, {}}))
            r.failed = true;
        return r;
    };
    TransferResult r;
    if (source.isEmpty())
        return r;
    TransferSession::State *session = state();
    raw::Info from;
    if (!(session ? session->folders.info(source, from, false) : raw::info(source, from, false)))
        return absent(raw::lastError()) ? r : copyThenDelete(clash);
    if (placed)
        placed->journal->stampSource(placed->entry, from);
    if (isOwn(from)) { // the program's own files stay where they are
        r.failed = r.sourceFailed = true;
        return r;
    }
    if (from.link) // the link's file is what gets copied, not the link
        return copyThenDelete(clash);
    if (!from.plain)
        return r;
    auto moved = [&](bool replaced = false, bool renamed = false) {
        if (session)
            session->placed.insert(idOf(from));
        if (placed) { // a rename keeps the file: its identity and times
            placed->info = from;
            placed->replaced = replaced;
            placed->renamed = renamed;
        }
        r.copied = true;
        return r;
    };
    if (session ? session->folders.renameNew(source, destination) : raw::rename(source, destination, false))
        return moved();
    if (raw::lastError() != EEXIST)
        return copyThenDelete(clash);
    const AtDestination at = decideClash(destination, from, clash);
    if (at == AtDestination::Fail) {
        r.failed = true;
        return r;
    }
    if (at == AtDestination::Leave)
        return r;
    if (at == AtDestination::Overwrite) {
        if (raw::rename(source, destination, true))
            return moved(true);
        return copyThenDelete(clash);
    }
    destination = clashName(destination);
    for (;;) {
        if (raw::rename(source, destination, false))
            return moved(false, true);
        if (raw::lastError() != EEXIST)
            return copyThenDelete(clash);
        destination = nextClashName(destination);
    }
}
} // namespace

TransferResult moveOnDisk(const QString &source, QString &destination, Clash clash, DiskFull onFull)
{
    forgetListings();
    Placed step = beginStep(ActionKind::Move, source, destination);
    const TransferResult r = moveFile(source, destination, clash, onFull, tracked(step));
    endStep(step, true, r, destination);
    return r;
}

void releaseSourceOnDisk(const QString &source)
{
    forgetListings();
    if (g_lastCopy.source != source || source.isEmpty())
        return; // no copy of it was made: it stays
    LastCopy c = std::exchange(g_lastCopy, LastCopy{});
    if (!c.whole) {
        if (TransferSession::State *s = state())
            s->failed(source, c.destinations.value(0));
        return;
    }
    if (RunJournal *j = RunJournal::current()) // comes back from one of its copies
        j->stampSource(j->begin(ActionKind::Delete, source, c.destinations.join(QChar(0))), c.stamp);
    release(PendingDeletion{source, c.stamp, c.destinations, {}});
}

// ---- The session ---------------------------------------------------------------

TransferSession::TransferSession(FailureReport failed) : d(std::make_unique<State>()), outer_(g_session)
{
    d->failed = std::move(failed);
    const QString slot = WriteSlot::defaultPath();
    d->slot = std::make_unique<WriteSlot>(slot);
    d->addOwn(slot);
    d->addOwn(slot + QStringLiteral(".lock"));
    for (const QString &path : ownFilePaths())
        d->addOwn(path);
    const QString work = separateWorkFolder();
    if (!work.isEmpty()) {
        if (const auto entries = raw::listFolder(work))
            for (const raw::Entry &e : *entries)
                d->addOwn(paths::join(work, e.name));
    }
    g_session = this;
}

TransferSession::~TransferSession()
{
    flush();
    g_session = outer_;
}

TransferSession *TransferSession::current() { return g_session; }

void TransferSession::protect(const QString &path) { d->addOwn(path); }

void TransferSession::flush()
{
    if (d->pending.isEmpty())
        return;
    const QVector<PendingDeletion> batch = std::exchange(d->pending, {});
    // One flush per file system; a source goes only when every copy of it is on the disk.
    QHash<unsigned long long, bool> flushed;
    for (const PendingDeletion &p : batch) {
        for (int k = 0; k < p.devices.size(); ++k) {
            if (flushed.contains(p.devices[k]))
                continue;
            const QString &at = p.destinations.value(k);
            flushed.insert(p.devices[k], raw::flushFileSystem(at) || raw::flushFileSystem(paths::folderOf(at)));
        }
    }
    for (const PendingDeletion &p : batch) {
        bool onDisk = p.devices.size() == p.destinations.size();
        for (unsigned long long dev : p.devices)
            onDisk = onDisk && flushed.value(dev);
        if (!onDisk || !deleteIfUnchanged(p))
            d->failed(p.source, p.destinations.value(0));
    }
}

bool seenThisRun(const QString &folder)
{
    TransferSession::State *s = state();
    if (!s)
        return false;
    const qsizetype before = s->seen.size();
    s->seen.insert(folder);
    return s->seen.size() == before;
}

void forgetOpenFolders()
{
    if (TransferSession::State *s = state())
        s->folders.forget();
}

void flushTransfers()
{
    if (TransferSession *s = TransferSession::current())
        s->flush();
}

} // namespace fd
