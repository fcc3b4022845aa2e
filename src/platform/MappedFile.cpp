#include "platform/MappedFile.h"

#include "platform/NativeName.h"

#include <QCoreApplication>

#ifndef _WIN32
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fd::raw {

MappedFile::~MappedFile() { close(); }

#ifdef _WIN32

// No mapping here yet: callers keep no journal.
bool MappedFile::create(const QString &, long long) { return false; }
bool MappedFile::open(const QString &) { return false; }
bool MappedFile::grow(long long) { return false; }
void MappedFile::prepare(long long, long long) {}
void MappedFile::releaseBefore(long long) {}
void MappedFile::close(long long) {}

#else

namespace {
bool reserve(int fd, long long from, long long size)
{
    int r;
    do
        r = ::posix_fallocate(fd, from, size - from);
    while (r == EINTR);
    return r == 0;
}

} // namespace

bool MappedFile::create(const QString &path, long long size)
{
    close();
    const QByteArray target = encodeFileName(path);
    const QByteArray temp = target + '.' + QByteArray::number(QCoreApplication::applicationPid()) + ".new";
    int fd;
    do
        fd = ::open(temp.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    void *m = MAP_FAILED;
    if (reserve(fd, 0, size))
        m = ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    // A fresh file of its own: another process replacing the name never cuts our mapping.
    if (m == MAP_FAILED || ::rename(temp.constData(), target.constData()) != 0) {
        if (m != MAP_FAILED)
            ::munmap(m, size_t(size));
        ::close(fd);
        ::unlink(temp.constData());
        return false;
    }
    fd_ = fd;
    data_ = static_cast<char *>(m);
    size_ = size;
    return true;
}

bool MappedFile::open(const QString &path)
{
    close();
    int fd;
    do
        fd = ::open(encodeFileName(path).constData(), O_RDWR | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    struct stat st;
    void *m = MAP_FAILED;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        m = ::mmap(nullptr, size_t(st.st_size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (m == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    data_ = static_cast<char *>(m);
    size_ = st.st_size;
    return true;
}

bool MappedFile::grow(long long size)
{
    if (!data_)
        return false;
    if (size <= size_)
        return true;
    if (!reserve(fd_, size_, size))
        return false;
#ifdef __linux__
    void *m = ::mremap(data_, size_t(size_), size_t(size), MREMAP_MAYMOVE);
#else
    void *m = ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (m != MAP_FAILED)
        ::munmap(data_, size_t(size_));
#endif
    if (m == MAP_FAILED)
        return false;
    data_ = static_cast<char *>(m);
    size_ = size;
    return true;
}

void MappedFile::close(long long keep)
{
    if (data_)
        ::munmap(data_, size_t(size_));
    if (fd_ >= 0) {
        if (keep >= 0 && keep < size_) {
            int r;
            do
                r = ::ftruncate(fd_, keep);
            while (r != 0 && errno == EINTR);
        }
        ::close(fd_);
    }
    fd_ = -1;
    data_ = nullptr;
    size_ = 0;
}

void MappedFile::prepare(long long from, long long to)
{
#ifdef MADV_POPULATE_WRITE
    const long long page = ::sysconf(_SC_PAGESIZE), start = std::max(0LL, from) / page * page;
    to = std::min(to, size_);
    if (data_ && to > start)
        ::madvise(data_ + start, size_t(to - start), MADV_POPULATE_WRITE);
#else
    Q_UNUSED(from);
    Q_UNUSED(to);
#endif
}

void MappedFile::releaseBefore(long long offset)
{
    const long long page = ::sysconf(_SC_PAGESIZE);
    const long long end = std::min(offset, size_) / page * page;
    if (data_ && end > 0)
        ::madvise(data_, size_t(end), MADV_DONTNEED); // a shared mapping: the file keeps the bytes
}

#endif

} // namespace fd::raw
