// The single place where the dispatch engine writes a file.
#include "dispatch/Transfer.h"

#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/RawFile.h"
#include "platform/Shell.h"
#include "dispatch/Pace.h"

#include <atomic>
#include <cerrno>
#include <memory>

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

// The first name a clash renames the destination to.
QString clashName(const QString &destination)
{
    const DestinationParts p = splitDestination(destination);
    return p.folder + p.base + QStringLiteral("_同名") + clashStamp(clock().now().time()) + p.extension;
}

// Repeated clashes within one second keep adding the stamp, never overwrite.
QString nextClashName(const QString &taken) { return withStampBeforeExtension(taken, clashStamp(clock().now().time())); }

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

// What a destination that exists already asks for.
enum class AtDestination { Fail, Leave, Rename, Overwrite };

AtDestination decideClash(const QString &destination, const raw::Info &from, Clash clash)
{
    raw::Info there;
    const bool seen = raw::info(destination, there, true);
    // A folder in the way is no name clash: nothing can be written there.
    if (seen && there.folder)
        return AtDestination::Fail;
    // Its own destination: writing would destroy the only copy.
    if ((seen && there.sameFileAs(from)) || clash == Clash::Skip)
        return AtDestination::Leave;
    return clash == Clash::Rename ? AtDestination::Rename : AtDestination::Overwrite;
}

// Hidden files count as absent sources.
bool hiddenName(const QString &path)
{
    return QStringView(path).mid(path.lastIndexOf(paths::sep()) + 1).startsWith(QLatin1Char('.'));
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
        buf.reset(new char[size_t(kTransferPiece)]);
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

} // namespace

void setTransferPieceHook(std::function<void(long long)> hook) { g_pieceHook = std::move(hook); }

TransferResult Transfer(const QString &source, QString &destination, Clash clash, DiskFull onFull)
{
    TransferResult r;
    if (source.isEmpty() || hiddenName(source))
        return r;

    Descriptor in;
    in.fd = raw::openRead(source);
    if (in.fd < 0)
        return absent(raw::lastError()) ? r : unreadableSource(source, destination, clash);
    raw::Info from;
    if (!raw::info(in.fd, from)) {
        r.failed = r.sourceFailed = true;
        return r;
    }
    if (!from.plain) // a folder, device or pipe is no file to copy
        return r;

    // The name is claimed by creating the file: what is there decides the clash.
    Descriptor created;  // a new destination, removed again on failure
    raw::Replacement replacement; // the file that replaces an existing destination
    created.fd = raw::createNew(destination);
    if (created.fd < 0 && raw::lastError() == EEXIST) {
        const AtDestination at = decideClash(destination, from, clash);
        if (at == AtDestination::Fail) {
            r.failed = true;
            return r;
        }
        if (at == AtDestination::Leave)
            return r;
        if (at == AtDestination::Rename) {
            destination = clashName(destination);
            while ((created.fd = raw::createNew(destination)) < 0 && raw::lastError() == EEXIST)
                destination = nextClashName(destination);
        } else {
            // The old file stays whole until the new one is complete.
            replacement = raw::createReplacement(destination);
            if (replacement.fd < 0) {
                r.failed = true;
                return r;
            }
        }
    }
    const bool replacing = replacement.fd >= 0;
    if (!replacing && created.fd < 0) {
        r.failed = true;
        return r;
    }
    const int out = replacing ? replacement.fd : created.fd;
    // From here every failure leaves nothing behind; an old destination stays as it was.
    auto discard = [&] {
        if (replacing) {
            raw::discardReplacement(replacement);
        } else {
            created.closeNow();
            raw::remove(destination);
        }
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
    const bool large = total > kTransferPiece;
    bool kernelCopy = !g_noKernelCopy.matches(from.device, destination);
    long long done = 0;
    while (done < total) {
        if (large)
            pace::now();
        else
            pace::ifDue();
        const long long want = std::min(kTransferPiece, total - done);
        if (g_pieceHook)
            g_pieceHook(want);
        long long got = 0;
        while (got < want) {
            if (kernelCopy) {
                const long long n = raw::copyRange(in.fd, out, want - got);
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
            const long long n = raw::read(in.fd, buf, want - got);
            if (n <= 0) { // read error, or the source shrank under us
                discard();
                r.failed = r.sourceFailed = true;
                return r;
            }
            long long put = 0;
            while (put < n) {
                const long long m = raw::write(out, buf + put, n - put);
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
        done += want;
    }

    in.closeNow();
    if (replacing) {
        if (!raw::commitReplacement(replacement, destination)) {
            r.failed = true;
            return r;
        }
    } else if (!created.closeNow()) {
        raw::remove(destination);
        r.failed = true;
        return r;
    }
    r.copied = true;
    return r;
}

TransferResult Move(const QString &source, QString &destination, Clash clash, DiskFull onFull)
{
    // Another file system, or a rename refused for any other reason: copy, then
    // delete the source once the copy is whole.
    auto copyThenDelete = [&](Clash c) {
        TransferResult r = Transfer(source, destination, c, onFull);
        if (r.copied)
            ReleaseSource(source);
        return r;
    };
    TransferResult r;
    if (source.isEmpty() || hiddenName(source))
        return r;
    raw::Info from;
    if (!raw::info(source, from, false))
        return absent(raw::lastError()) ? r : copyThenDelete(clash);
    if (from.link) // the link's file is what gets copied, not the link
        return copyThenDelete(clash);
    if (!from.plain)
        return r;
    if (raw::rename(source, destination, false)) {
        r.copied = true;
        return r;
    }
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
        if (raw::rename(source, destination, true)) {
            r.copied = true;
            return r;
        }
        return copyThenDelete(clash);
    }
    destination = clashName(destination);
    for (;;) {
        if (raw::rename(source, destination, false)) {
            r.copied = true;
            return r;
        }
        if (raw::lastError() != EEXIST)
            return copyThenDelete(clash);
        destination = nextClashName(destination);
    }
}

void ReleaseSource(const QString &source)
{
    raw::remove(source); // a failing deletion leaves the file
}

} // namespace fd
