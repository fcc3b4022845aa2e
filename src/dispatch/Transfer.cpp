// The single place where the dispatch engine writes a file.
#include "dispatch/Transfer.h"

#include "app/FDispatch.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/RawFile.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileInfo>
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

// Anything at the path, hidden or not: a file we would replace or hide behind.
bool occupied(const QString &path)
{
    QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}

// A short name in the destination folder; long file names must still fit.
QString temporaryName(const QString &folder)
{
    static std::atomic<unsigned> counter{0};
    const unsigned n = ++counter;
    return folder + QStringLiteral(".fdpart-%1-%2")
                        .arg(QCoreApplication::applicationPid())
                        .arg(n);
}

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

} // namespace

Clash clashPolicy(const FDispatch &w)
{
    if (w.ChRen->isChecked())
        return Clash::Rename;
    return w.ChOvewr->isChecked() ? Clash::Overwrite : Clash::Skip;
}

namespace {
std::function<void(long long)> g_pieceHook;
} // namespace

void setTransferPieceHook(std::function<void(long long)> hook) { g_pieceHook = std::move(hook); }

TransferResult Transfer(const QString &source, QString &destination, Clash clash)
{
    TransferResult r;

    if (source.isEmpty() || !paths::fileExists(source))
        return r;

    // A folder in the way is no name clash: nothing can be written there.
    if (QFileInfo(destination).isDir()) {
        r.failed = true;
        return r;
    }
    bool replacing = false;
    if (occupied(destination)) {
        // Its own destination: writing would destroy the only copy.
        if (raw::sameFile(source, destination))
            return r;
        if (clash == Clash::Skip)
            return r;
        if (clash == Clash::Rename) {
            const DestinationParts p = splitDestination(destination);
            destination = p.folder + p.base + QStringLiteral("_同名") + clashStamp(clock().now().time())
                        + p.extension;
            // Repeated clashes within one second keep adding the stamp, never overwrite.
            while (occupied(destination))
                destination = withStampBeforeExtension(destination, clashStamp(clock().now().time()));
        } else {
            replacing = true;
        }
    }

    r.failed = true;
    Descriptor in;
    in.fd = raw::openRead(source);
    const long long total = in.fd < 0 ? -1 : raw::size(in.fd);
    if (total < 0) {
        r.sourceFailed = true;
        return r;
    }

    const QString folder = paths::folderOf(destination);
    QString temp;
    Descriptor out;
    // A leftover of an interrupted earlier run may hold a name: take the next one.
    for (int attempt = 0; attempt < 16 && out.fd < 0; ++attempt) {
        temp = temporaryName(folder);
        out.fd = raw::createNew(temp);
        if (out.fd < 0 && raw::lastError() != EEXIST)
            break;
    }
    if (out.fd < 0)
        return r;
    // From here every failure removes the temporary file; the old destination stays.
    auto discard = [&] {
        out.closeNow();
        raw::remove(temp);
    };

    std::unique_ptr<char[]> buf;
    long long done = 0;
    while (done < total) {
        DoEvents();
        const long long want = std::min(kTransferPiece, total - done);
        if (g_pieceHook)
            g_pieceHook(want);
        buf.reset(new char[size_t(want)]);
        long long got = 0;
        while (got < want) {
            const long long n = raw::read(in.fd, buf.get() + got, want - got);
            if (n <= 0) { // read error, or the source shrank under us
                discard();
                r.sourceFailed = true;
                return r;
            }
            got += n;
        }
        long long put = 0;
        while (put < want) {
            const long long n = raw::write(out.fd, buf.get() + put, want - put);
            if (n > 0) {
                put += n;
                continue;
            }
            const int err = n < 0 ? raw::lastError() : 0;
            if (n < 0 && raw::isDiskFull(err)) {
                const Answer a = shell().message(QStringLiteral("磁盘空间已满，请清理以释放空间后重试"),
                                                 QStringLiteral("消息"), Icon::Information,
                                                 Buttons::RetryCancel, Answer::Retry);
                if (a == Answer::Retry)
                    continue; // the rest of the same piece again
                r.gaveUpAtFullDisk = true;
            }
            discard();
            return r;
        }
        done += want;
        buf.reset();
    }

    in.closeNow();
    if (!out.closeNow()) {
        raw::remove(temp);
        return r;
    }
    if (!raw::rename(temp, destination, replacing)) {
        raw::remove(temp);
        return r;
    }
    r.failed = false;
    r.copied = true;
    return r;
}

} // namespace fd
