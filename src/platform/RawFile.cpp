#include "platform/RawFile.h"

#include "platform/NativeName.h"

#include <QCoreApplication>
#include <QFile>
#include <atomic>
#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/RawDir.h"

#ifdef _WIN32
constexpr QChar kSep = QLatin1Char('\\');
#else
constexpr QChar kSep = QLatin1Char('/');
#endif

namespace fd::raw {

namespace {
thread_local int g_error = 0;

#ifndef _WIN32
QByteArray enc(const QString &p) { return encodeFileName(p); }
#endif
} // namespace

int lastError() { return g_error; }

bool isDiskFull(int error)
{
#ifdef EDQUOT
    if (error == EDQUOT)
        return true;
#endif
    return error == ENOSPC;
}

#ifdef _WIN32

int openRead(const QString &path)
{
    int fd = _wopen(reinterpret_cast<const wchar_t *>(path.utf16()), _O_RDONLY | _O_BINARY);
    if (fd < 0)
        g_error = errno;
    return fd;
}

int createNew(const QString &path)
{
    int fd = _wopen(reinterpret_cast<const wchar_t *>(path.utf16()),
                    _O_WRONLY | _O_BINARY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        g_error = errno;
    return fd;
}

long long read(int fd, char *buf, long long n)
{
    long long r = _read(fd, buf, unsigned(n));
    if (r < 0)
        g_error = errno;
    return r;
}

long long write(int fd, const char *buf, long long n)
{
    long long r = _write(fd, buf, unsigned(n));
    if (r < 0)
        g_error = errno;
    return r;
}

long long size(int fd)
{
    struct _stat64 st;
    if (_fstat64(fd, &st) != 0) {
        g_error = errno;
        return -1;
    }
    return st.st_size;
}

bool close(int fd)
{
    if (_close(fd) != 0) {
        g_error = errno;
        return false;
    }
    return true;
}

bool rename(const QString &from, const QString &to, bool replace)
{
    const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
    if (!MoveFileExW(reinterpret_cast<const wchar_t *>(from.utf16()),
                     reinterpret_cast<const wchar_t *>(to.utf16()), flags)) {
        const DWORD e = GetLastError();
        g_error = e == ERROR_ALREADY_EXISTS ? EEXIST : e == ERROR_NOT_SAME_DEVICE ? EXDEV : EIO;
        return false;
    }
    return true;
}

bool remove(const QString &path)
{
    if (_wunlink(reinterpret_cast<const wchar_t *>(path.utf16())) != 0) {
        g_error = errno;
        return false;
    }
    return true;
}

bool sameFile(const QString &a, const QString &b)
{
    auto info = [](const QString &p, BY_HANDLE_FILE_INFORMATION &i) {
        HANDLE h = CreateFileW(reinterpret_cast<const wchar_t *>(p.utf16()), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        const bool ok = GetFileInformationByHandle(h, &i);
        CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!info(a, ia) || !info(b, ib))
        return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber
        && ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

namespace {
void fill(Info &out, HANDLE h, bool folder, bool link)
{
    BY_HANDLE_FILE_INFORMATION i;
    if (GetFileInformationByHandle(h, &i)) {
        out.device = i.dwVolumeSerialNumber;
        out.number = (quint64(i.nFileIndexHigh) << 32) | i.nFileIndexLow;
        out.size = (qint64(i.nFileSizeHigh) << 32) | i.nFileSizeLow;
        out.modifiedNs = ((qint64(i.ftLastWriteTime.dwHighDateTime) << 32) | i.ftLastWriteTime.dwLowDateTime) * 100;
        out.readOnly = (i.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        folder = folder || (i.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    out.folder = folder;
    out.link = link;
    out.plain = !folder && !link;
}
} // namespace

bool info(int fd, Info &out)
{
    const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (h == INVALID_HANDLE_VALUE) {
        g_error = EBADF;
        return false;
    }
    out = Info();
    fill(out, h, false, false);
    return true;
}

bool info(const QString &path, Info &out, bool followLinks)
{
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        g_error = ENOENT;
        return false;
    }
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t *>(path.utf16()));
    out = Info();
    fill(out, h, false, !followLinks && attributes != INVALID_FILE_ATTRIBUTES
                            && (attributes & FILE_ATTRIBUTE_REPARSE_POINT));
    CloseHandle(h);
    return true;
}

long long copyRange(int, int, long long)
{
    g_error = ENOSYS;
    return -1;
}

int FolderHandles::openRead(const QString &path) { return raw::openRead(path); }
int FolderHandles::createNew(const QString &path) { return raw::createNew(path); }
void FolderHandles::forget() {}
bool FolderHandles::info(const QString &path, Info &out, bool followLinks) { return raw::info(path, out, followLinks); }
bool FolderHandles::renameNew(const QString &from, const QString &to) { return raw::rename(from, to, false); }
int FolderHandles::folderOf(const QString &, qsizetype &) { return -1; }

#else

int openRead(const QString &path)
{
    int fd;
    do
        fd = ::open(enc(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        g_error = errno;
    return fd;
}

int createNew(const QString &path)
{
    int fd;
    do
        fd = ::open(enc(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        g_error = errno;
    return fd;
}

namespace {
void fill(Info &out, const struct stat &st);
} // namespace

int FolderHandles::folderOf(const QString &path, qsizetype &nameAt)
{
    constexpr int kMost = 256; // of the process's descriptors
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    if (cut <= 0 || cut + 1 >= path.size())
        return -1;
    const QStringView folderView = QStringView(path).left(cut);
    nameAt = cut + 1;
    for (int i = 0; i < 2; ++i) {
        if (recent_[i].fd >= 0 && folderView == recent_[i].folder) {
            ++hits_;
            older_ = 1 - i;
            return recent_[i].fd;
        }
    }
    QString folder = folderView.toString();
    int fd = kept_.value(folder, -1);
    if (fd >= 0) {
        ++hits_;
    } else {
        // Folders that seldom come again are not worth a handle each.
        if (++misses_ > 64 && misses_ > hits_)
            return -1;
        do
            fd = ::open(enc(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return -1;
        if (kept_.size() >= kMost)
            forget();
        kept_.insert(folder, fd);
    }
    recent_[older_] = Recent{std::move(folder), fd};
    older_ = 1 - older_;
    return fd;
}

bool FolderHandles::info(const QString &path, Info &out, bool followLinks)
{
    qsizetype at = 0;
    const int folder = folderOf(path, at);
    if (folder < 0)
        return raw::info(path, out, followLinks);
    struct stat st;
    if (::fstatat(folder, NativeBytes(QStringView(path).mid(at)).data(), &st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW)
        != 0) {
        g_error = errno;
        return false;
    }
    fill(out, st);
    return true;
}

void FolderHandles::forget()
{
    for (const int fd : std::as_const(kept_))
        ::close(fd);
    kept_.clear();
    recent_[0] = recent_[1] = Recent{};
}

namespace {
int openIn(int folder, QStringView name, int flags)
{
    const NativeBytes bytes(name);
    int fd;
    do
        fd = ::openat(folder, bytes.data(), flags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        g_error = errno;
    return fd;
}
} // namespace

int FolderHandles::openRead(const QString &path)
{
    qsizetype at = 0;
    const int folder = folderOf(path, at);
    return folder < 0 ? raw::openRead(path)
                      : openIn(folder, QStringView(path).mid(at), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

int FolderHandles::createNew(const QString &path)
{
    qsizetype at = 0;
    const int folder = folderOf(path, at);
    return folder < 0 ? raw::createNew(path)
                      : openIn(folder, QStringView(path).mid(at), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC);
}

bool FolderHandles::renameNew(const QString &from, const QString &to)
{
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    qsizetype a = 0, b = 0;
    const int fromFolder = folderOf(from, a);
    const int toFolder = fromFolder < 0 ? -1 : folderOf(to, b);
    if (toFolder >= 0) {
        if (::renameat2(fromFolder, NativeBytes(QStringView(from).mid(a)).data(), toFolder,
                        NativeBytes(QStringView(to).mid(b)).data(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
            g_error = errno;
            return false;
        }
    }
#endif
    return raw::rename(from, to, false);
}

long long read(int fd, char *buf, long long n)
{
    ssize_t r;
    do
        r = ::read(fd, buf, size_t(n));
    while (r < 0 && errno == EINTR);
    if (r < 0)
        g_error = errno;
    return r;
}

long long write(int fd, const char *buf, long long n)
{
    ssize_t r;
    do
        r = ::write(fd, buf, size_t(n));
    while (r < 0 && errno == EINTR);
    if (r < 0)
        g_error = errno;
    return r;
}

long long size(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        g_error = errno;
        return -1;
    }
    return st.st_size;
}

bool close(int fd)
{
    if (::close(fd) != 0 && errno != EINTR) {
        g_error = errno;
        return false;
    }
    return true;
}

bool rename(const QString &from, const QString &to, bool replace)
{
    const QByteArray f = enc(from), t = enc(to);
    if (replace) {
        if (::rename(f.constData(), t.constData()) != 0) {
            g_error = errno;
            return false;
        }
        return true;
    }
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        g_error = errno;
        return false;
    }
#endif
    // A hard link fails when the target exists; the temporary name goes afterwards.
    if (::link(f.constData(), t.constData()) == 0) {
        ::unlink(f.constData());
        return true;
    }
    if (errno == EEXIST) {
        g_error = errno;
        return false;
    }
    // File systems without links: check, then rename (a narrow window remains).
    struct stat st;
    if (::lstat(t.constData(), &st) == 0) {
        g_error = EEXIST;
        return false;
    }
    if (::rename(f.constData(), t.constData()) != 0) {
        g_error = errno;
        return false;
    }
    return true;
}

bool remove(const QString &path)
{
    if (::unlink(enc(path).constData()) != 0) {
        g_error = errno;
        return false;
    }
    return true;
}

namespace {
void fill(Info &out, const struct stat &st)
{
    out.size = st.st_size;
#ifdef __APPLE__
    out.modifiedNs = (long long)st.st_mtimespec.tv_sec * 1000000000LL + st.st_mtimespec.tv_nsec;
#else
    out.modifiedNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
#endif
    out.device = st.st_dev;
    out.number = st.st_ino;
    out.plain = S_ISREG(st.st_mode);
    out.folder = S_ISDIR(st.st_mode);
    out.link = S_ISLNK(st.st_mode);
    out.readOnly = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}
} // namespace

bool info(int fd, Info &out)
{
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        g_error = errno;
        return false;
    }
    fill(out, st);
    return true;
}

bool info(const QString &path, Info &out, bool followLinks)
{
    struct stat st;
    const QByteArray p = enc(path);
    if ((followLinks ? ::stat(p.constData(), &st) : ::lstat(p.constData(), &st)) != 0) {
        g_error = errno;
        return false;
    }
    fill(out, st);
    return true;
}

long long copyRange(int in, int out, long long n)
{
#ifdef __linux__
    static std::atomic<bool> missing{false};
    if (!missing.load(std::memory_order_relaxed)) {
        ssize_t r;
        do
            r = ::copy_file_range(in, nullptr, out, nullptr, size_t(n), 0);
        while (r < 0 && errno == EINTR);
        if (r >= 0)
            return r;
        g_error = errno;
        if (errno == ENOSYS)
            missing = true;
        return -1;
    }
#else
    Q_UNUSED(in);
    Q_UNUSED(out);
    Q_UNUSED(n);
#endif
    g_error = ENOSYS;
    return -1;
}

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa, sb;
    if (::stat(enc(a).constData(), &sa) != 0 || ::stat(enc(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

#endif

// ---- Replacements, on top of the calls above ----------------------------------------

namespace {

QString folderPart(const QString &target)
{
    const qsizetype cut = target.lastIndexOf(kSep);
    return cut < 0 ? QString() : target.left(cut + 1);
}

// A short hidden name in the folder; long file names must still fit.
QString temporaryName(const QString &folder)
{
    static const QString pid = QString::number(QCoreApplication::applicationPid());
    static std::atomic<unsigned> counter{0};
    return folder + QStringLiteral(".fdpart-") + pid + QLatin1Char('-') + QString::number(++counter);
}

#if defined(__linux__) && defined(O_TMPFILE)
// An unnamed file gets its name through /proc; without it, names from the start.
bool canNameUnnamedFiles()
{
    static const bool yes = ::access("/proc/self/fd", X_OK) == 0;
    return yes;
}
#endif

} // namespace

Replacement createReplacement(const QString &target)
{
    Replacement r;
    const QString folder = folderPart(target);
#if defined(__linux__) && defined(O_TMPFILE)
    if (canNameUnnamedFiles()) {
        const QByteArray f = enc(folder.isEmpty() ? QStringLiteral(".") : folder);
        do
            r.fd = ::open(f.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        while (r.fd < 0 && errno == EINTR);
        if (r.fd >= 0)
            return r;
        g_error = errno;
        // Only a file system without unnamed files gets a named one instead.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOTSUP)
            return r;
    }
#endif
    // A leftover of an interrupted earlier run may hold a name: take the next one.
    for (int attempt = 0; attempt < 16 && r.fd < 0; ++attempt) {
        r.tempPath = temporaryName(folder);
        r.fd = createNew(r.tempPath);
        if (r.fd < 0 && g_error != EEXIST)
            break;
    }
    if (r.fd < 0)
        r.tempPath.clear();
    return r;
}

bool commitReplacement(Replacement &r, const QString &target)
{
#if defined(__linux__) && defined(O_TMPFILE)
    if (r.tempPath.isEmpty()) {
        // A link cannot replace a file: the unnamed file gets a temporary name first.
        const QByteArray proc = "/proc/self/fd/" + QByteArray::number(r.fd);
        const QString folder = folderPart(target);
        for (int attempt = 0; attempt < 16; ++attempt) {
            const QString name = temporaryName(folder);
            if (::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, enc(name).constData(), AT_SYMLINK_FOLLOW) == 0) {
                r.tempPath = name;
                break;
            }
            g_error = errno;
            if (errno != EEXIST)
                break;
        }
        if (r.tempPath.isEmpty()) {
            discardReplacement(r);
            return false;
        }
    }
#endif
    const int fd = r.fd;
    r.fd = -1;
    if ((fd >= 0 && !close(fd)) || !rename(r.tempPath, target, true)) {
        const int err = g_error;
        discardReplacement(r);
        g_error = err;
        return false;
    }
    r.tempPath.clear();
    return true;
}

bool linkNew(Replacement &r, const QString &target)
{
    auto fail = [&r] {
        const int err = g_error;
        discardReplacement(r);
        g_error = err;
        return false;
    };
#if defined(__linux__) && defined(O_TMPFILE)
    if (r.tempPath.isEmpty()) {
        // Linking by the descriptor itself needs a privilege; the /proc name does not.
        static std::atomic<bool> byDescriptor{true};
        const QByteArray t = enc(target);
        const bool direct = byDescriptor.load(std::memory_order_relaxed);
        int rc = direct ? ::linkat(r.fd, "", AT_FDCWD, t.constData(), AT_EMPTY_PATH) : -1;
        if (!direct || (rc != 0 && (errno == ENOENT || errno == EPERM || errno == EINVAL))) {
            const QByteArray proc = "/proc/self/fd/" + QByteArray::number(r.fd);
            rc = ::linkat(AT_FDCWD, proc.constData(), AT_FDCWD, t.constData(), AT_SYMLINK_FOLLOW);
            if (rc == 0 && direct) // refused for want of the privilege: the /proc name from now on
                byDescriptor = false;
        }
        if (rc != 0) {
            g_error = errno;
            return errno == EEXIST ? false : fail();
        }
        const int fd = r.fd;
        r.fd = -1;
        if (!close(fd)) { // a late write error: the file under its name is not whole
            const int err = g_error;
            ::unlink(t.constData());
            g_error = err;
            return false;
        }
        return true;
    }
#endif
    if (r.fd >= 0) {
        const int fd = r.fd;
        r.fd = -1;
        if (!close(fd))
            return fail();
    }
    if (!rename(r.tempPath, target, false))
        return g_error == EEXIST ? false : fail();
    r.tempPath.clear();
    return true;
}

void discardReplacement(Replacement &r)
{
    if (r.fd >= 0)
        close(r.fd);
    r.fd = -1;
    if (!r.tempPath.isEmpty())
        remove(r.tempPath);
    r.tempPath.clear();
}

namespace {
bool processRunning(qint64 pid)
{
#ifdef _WIN32
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!h)
        return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    CloseHandle(h);
    return running;
#else
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno != ESRCH);
#endif
}
} // namespace

int removeLeftoverTemporaries(const QString &folder)
{
    static const QString prefix = QStringLiteral(".fdpart-");
    const auto entries = listFolder(folder);
    if (!entries)
        return 0;
    const qint64 self = QCoreApplication::applicationPid();
    int removed = 0;
    for (const Entry &e : *entries) {
        if (!e.name.startsWith(prefix) || e.kind != Kind::File || e.link)
            continue;
        const QStringView rest = QStringView(e.name).mid(prefix.size());
        const qsizetype dash = rest.indexOf(QLatin1Char('-'));
        bool ok = false, counterOk = false;
        const qint64 pid = dash > 0 ? rest.left(dash).toLongLong(&ok) : 0;
        if (ok)
            (void)rest.mid(dash + 1).toULongLong(&counterOk);
        if (!ok || !counterOk || pid == self || processRunning(pid))
            continue;
        if (remove(folder + kSep + e.name))
            ++removed;
    }
    return removed;
}

bool flushFileSystem(const QString &path)
{
#ifdef _WIN32
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        g_error = EIO;
        return false;
    }
    const bool ok = FlushFileBuffers(h);
    CloseHandle(h);
    if (!ok)
        g_error = EIO;
    return ok;
#else
    int fd;
    do
        fd = ::open(enc(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        g_error = errno;
        return false;
    }
#ifdef __linux__
    const int rc = ::syncfs(fd);
#else
    const int rc = ::fsync(fd);
#endif
    if (rc != 0)
        g_error = errno;
    ::close(fd);
    return rc == 0;
#endif
}

} // namespace fd::raw
