#include "platform/RawDir.h"

#include "platform/NativeName.h"

#ifdef _WIN32
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fd::raw {

#ifdef _WIN32

namespace {
Kind kindOfInfo(const QFileInfo &fi)
{
    if (!fi.exists())
        return Kind::Missing;
    return fi.isDir() ? Kind::Folder : fi.isFile() ? Kind::File : Kind::Other;
}
} // namespace

std::optional<QList<Entry>> listFolder(const QString &folder, bool withStatus)
{
    QDir d(folder);
    if (!d.exists() || !d.isReadable())
        return std::nullopt;
    QList<Entry> out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo fi = it.fileInfo();
        Entry e{fi.fileName(), kindOfInfo(fi), fi.isSymLink()};
        if (withStatus) {
            e.size = fi.size();
            e.modifiedMs = fi.lastModified().toMSecsSinceEpoch();
        }
        out.append(e);
    }
    return out;
}

Kind kindOf(const QString &path) { return kindOfInfo(QFileInfo(path)); }
bool isLink(const QString &path) { return QFileInfo(path).isSymLink(); }
bool occupied(const QString &path)
{
    const QFileInfo fi(path);
    return fi.exists() || fi.isSymLink();
}
std::optional<Entry> status(const QString &path)
{
    const QFileInfo fi(path);
    if (!fi.exists())
        return std::nullopt;
    return Entry{fi.fileName(), kindOfInfo(fi), fi.isSymLink(), fi.size(), fi.lastModified().toMSecsSinceEpoch()};
}
bool canList(const QString &folder)
{
    const QFileInfo fi(folder);
    return fi.isDir() && fi.isReadable();
}
bool isEmptyFolder(const QString &folder)
{
    return QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}
QString canonicalPath(const QString &path) { return QFileInfo(path).canonicalFilePath(); }
bool isMountPoint(const QString &folder) { return QDir(folder).isRoot(); }
bool makeFolder(const QString &path) { return QDir().mkdir(path); }
bool makePath(const QString &path) { return QDir().mkpath(path); }
bool removeFolder(const QString &path) { return QDir().rmdir(path); }
bool removeTree(const QString &path)
{
    if (QFileInfo(path).isSymLink())
        return QFile::remove(path);
    return QDir(path).removeRecursively();
}
int createTruncated(const QString &path)
{
    return _wopen(reinterpret_cast<const wchar_t *>(path.utf16()), _O_WRONLY | _O_BINARY | _O_CREAT | _O_TRUNC,
                  _S_IREAD | _S_IWRITE);
}

#else

namespace {

Kind kindOfMode(mode_t m)
{
    return S_ISREG(m) ? Kind::File : S_ISDIR(m) ? Kind::Folder : Kind::Other;
}

long long msOf(const struct stat &st) { return (long long)st.st_mtim.tv_sec * 1000 + st.st_mtim.tv_nsec / 1000000; }

struct DirClose {
    DIR *d;
    ~DirClose() { ::closedir(d); }
};

DIR *openFolder(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    DIR *d = ::fdopendir(fd);
    if (!d)
        ::close(fd);
    return d;
}

bool isDotName(const char *n) { return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)); }

bool removeTreeAt(int parent, const char *name)
{
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return ::unlinkat(parent, name, 0) == 0; // not a folder (or a link): the entry itself
    DIR *d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return false;
    }
    bool ok = true;
    {
        DirClose closer{d};
        while (const dirent *e = ::readdir(d)) {
            if (isDotName(e->d_name))
                continue;
            if (e->d_type == DT_DIR || e->d_type == DT_UNKNOWN)
                ok = removeTreeAt(::dirfd(d), e->d_name) && ok;
            else
                ok = ::unlinkat(::dirfd(d), e->d_name, 0) == 0 && ok;
        }
    }
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 && ok;
}

} // namespace

std::optional<QList<Entry>> listFolder(const QString &folder, bool withStatus)
{
    DIR *d = openFolder(encodeFileName(folder));
    if (!d)
        return std::nullopt;
    DirClose closer{d};
    const int dfd = ::dirfd(d);
    QList<Entry> out;
    errno = 0;
    while (const dirent *e = ::readdir(d)) {
        if (isDotName(e->d_name))
            continue;
        Entry entry;
        entry.name = decodeFileName(QByteArray(e->d_name));
        struct stat st;
        bool haveStatus = false;
        switch (e->d_type) {
        case DT_REG: entry.kind = Kind::File; break;
        case DT_DIR: entry.kind = Kind::Folder; break;
        case DT_LNK: entry.link = true; break;
        case DT_UNKNOWN:
            if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                entry.kind = Kind::Missing; // gone meanwhile
                break;
            }
            entry.link = S_ISLNK(st.st_mode);
            entry.kind = kindOfMode(st.st_mode);
            haveStatus = !entry.link;
            break;
        default: entry.kind = Kind::Other; break;
        }
        if (entry.link || withStatus) {
            if (!haveStatus) {
                haveStatus = ::fstatat(dfd, e->d_name, &st, 0) == 0;
                if (entry.link)
                    entry.kind = haveStatus ? kindOfMode(st.st_mode) : Kind::Missing;
            }
            if (withStatus && haveStatus) {
                entry.size = st.st_size;
                entry.modifiedMs = msOf(st);
            }
        }
        out.append(std::move(entry));
    }
    return out;
}

Kind kindOf(const QString &path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(encodeFileName(path).constData(), &st) != 0)
        return Kind::Missing;
    return kindOfMode(st.st_mode);
}

bool isLink(const QString &path)
{
    struct stat st;
    return !path.isEmpty() && ::lstat(encodeFileName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool occupied(const QString &path)
{
    struct stat st;
    return !path.isEmpty() && ::lstat(encodeFileName(path).constData(), &st) == 0;
}

std::optional<Entry> status(const QString &path)
{
    struct stat st;
    const QByteArray p = encodeFileName(path);
    if (path.isEmpty() || ::stat(p.constData(), &st) != 0)
        return std::nullopt;
    Entry e;
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    e.name = path.mid(cut + 1);
    e.kind = kindOfMode(st.st_mode);
    struct stat lst;
    e.link = ::lstat(p.constData(), &lst) == 0 && S_ISLNK(lst.st_mode);
    e.size = st.st_size;
    e.modifiedMs = msOf(st);
    return e;
}

bool canList(const QString &folder)
{
    const QByteArray p = encodeFileName(folder);
    return !folder.isEmpty() && kindOf(folder) == Kind::Folder && ::access(p.constData(), R_OK | X_OK) == 0;
}

bool isEmptyFolder(const QString &folder)
{
    DIR *d = openFolder(encodeFileName(folder));
    if (!d)
        return false;
    DirClose closer{d};
    while (const dirent *e = ::readdir(d))
        if (!isDotName(e->d_name))
            return false;
    return true;
}

bool isMountPoint(const QString &folder)
{
    struct stat self, parent;
    const QByteArray p = encodeFileName(folder);
    if (folder.isEmpty() || ::stat(p.constData(), &self) != 0 || !S_ISDIR(self.st_mode)
        || ::stat((p + "/..").constData(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

QString canonicalPath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    char *r = ::realpath(encodeFileName(path).constData(), nullptr);
    if (!r)
        return QString();
    const QString out = decodeFileName(QByteArray(r));
    ::free(r);
    return out;
}

bool makeFolder(const QString &path) { return ::mkdir(encodeFileName(path).constData(), 0777) == 0; }

bool makePath(const QString &path)
{
    if (path.isEmpty())
        return false;
    if (isFolder(path))
        return true;
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const qsizetype cut = p.lastIndexOf(QLatin1Char('/'));
    if (cut > 0 && !makePath(p.left(cut)))
        return false;
    return makeFolder(p) || errno == EEXIST ? isFolder(p) : false;
}

bool removeFolder(const QString &path) { return ::rmdir(encodeFileName(path).constData()) == 0; }

bool removeTree(const QString &path)
{
    if (path.isEmpty())
        return false;
    return removeTreeAt(AT_FDCWD, encodeFileName(path).constData());
}

int createTruncated(const QString &path)
{
    int fd;
    do
        fd = ::open(encodeFileName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd;
}

#endif

} // namespace fd::raw
