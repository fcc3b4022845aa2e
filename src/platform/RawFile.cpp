#include "platform/RawFile.h"

#include "platform/NativeName.h"

#include <QFile>
#include <cerrno>

#ifdef _WIN32
#include <io.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
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

#else

int openRead(const QString &path)
{
    int fd;
    do
        fd = ::open(enc(path).constData(), O_RDONLY | O_CLOEXEC);
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

bool sameFile(const QString &a, const QString &b)
{
    struct stat sa, sb;
    if (::stat(enc(a).constData(), &sa) != 0 || ::stat(enc(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

#endif

} // namespace fd::raw
