#include "platform/FolderRemoval.h"

#include "platform/Env.h"
#include "platform/NativeName.h"
#include "platform/RawDir.h"

#include <QDir>

#ifdef Q_OS_WIN
#include "platform/RawFile.h"

#include <QStorageInfo>
#else
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fd {

namespace {

// The home folder as the system names it: its bytes, not a decoding of them.
QString homeFolder()
{
#ifndef Q_OS_WIN
    const char *home = std::getenv("HOME");
    if (home && *home)
        return decodeFileName(QByteArray(home));
#endif
    return QDir::homePath();
}

// Without trailing separators: "link/" would name what the link leads to.
QString trimmedPath(const QString &folder)
{
    QString f = folder;
    while (f.size() > 1 && (f.endsWith(QLatin1Char('/')) || f.endsWith(QDir::separator())))
        f.chop(1);
    return f;
}

struct Guard {
    QString folder;
    RemovalRefusal why;
};

QList<Guard> guards(const QString &inputFolder)
{
    return {{homeFolder(), RemovalRefusal::Home},
            {programFolder(), RemovalRefusal::ProgramFolder},
            {inputFolder, RemovalRefusal::InputFolder}};
}

} // namespace

#ifdef Q_OS_WIN

// Drive letters and shares have no bind mounts; compared by resolved path texts.
namespace {

QString resolved(const QString &path)
{
    const QString canonical = raw::canonicalPath(path);
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

bool within(const QString &inner, const QString &outer)
{
    if (inner.compare(outer, Qt::CaseInsensitive) == 0)
        return true;
    const QString prefix = outer.endsWith(QLatin1Char('/')) ? outer : outer + QLatin1Char('/');
    return inner.startsWith(prefix, Qt::CaseInsensitive);
}

} // namespace

RemovalVerdict judgeTreeRemoval(const QString &folder, const QString &inputFolder)
{
    if (folder.trimmed().isEmpty() || QDir::isRelativePath(folder))
        return {RemovalRefusal::NotAbsolute, {}};
    const QString f = resolved(folder);
    if (QDir(f).isRoot() || (QStorageInfo(f).isValid() && resolved(QStorageInfo(f).rootPath()) == f))
        return {RemovalRefusal::Root, {}};
    for (const Guard &g : guards(inputFolder))
        if (!g.folder.isEmpty() && resolved(g.folder).compare(f, Qt::CaseInsensitive) == 0)
            return {g.why, {}};
    for (const Guard &g : guards(inputFolder))
        if (!g.folder.isEmpty() && within(resolved(g.folder), f))
            return {RemovalRefusal::HoldsProtected, g.folder};
    return {};
}

TreeRemoval removeTree(const QString &given, const QString &inputFolder)
{
    TreeRemoval r{judgeTreeRemoval(given, inputFolder), {}};
    const QString folder = trimmedPath(given);
    if (r.verdict.why != RemovalRefusal::None || !raw::occupied(folder))
        return r;
    if (raw::isLink(folder) ? !raw::remove(folder) : !raw::removeTree(folder))
        r.left = folder;
    return r;
}

#else

namespace {

struct NodeId {
    dev_t device = 0;
    ino_t number = 0;
    bool operator==(const NodeId &o) const { return device == o.device && number == o.number; }
};

NodeId idOf(const struct stat &st) { return {st.st_dev, st.st_ino}; }

struct Protected {
    NodeId id;
    RemovalRefusal why;
};

QList<Protected> protectedIds(const QString &inputFolder)
{
    QList<Protected> out;
    for (const Guard &g : guards(inputFolder)) {
        struct stat st;
        if (!g.folder.isEmpty() && ::stat(encodeFileName(g.folder).constData(), &st) == 0)
            out.append({idOf(st), g.why});
    }
    return out;
}

const Protected *protectedAs(const QList<Protected> &list, const struct stat &st)
{
    for (const Protected &p : list)
        if (p.id == idOf(st))
            return &p;
    return nullptr;
}

// The open folder is where a mount begins: another file system, or a bind mount
// of a folder of the same one (which only the system's mount flag tells).
bool beginsMount(int fd, const struct stat &self, const struct stat &parent)
{
#ifdef STATX_ATTR_MOUNT_ROOT
    struct statx sx;
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) == 0 && (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT))
        return (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#else
    Q_UNUSED(fd);
#endif
    return self.st_dev != parent.st_dev || idOf(self) == idOf(parent);
}

bool isDotName(const char *n) { return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)); }

struct DirClose {
    DIR *d;
    ~DirClose() { ::closedir(d); }
};

// A subfolder entry opened as a folder, never through a link; -1 for anything else.
int openSubfolder(DIR *d, const dirent *e)
{
    if (e->d_type != DT_DIR && e->d_type != DT_UNKNOWN)
        return -1;
    return ::openat(::dirfd(d), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Looks below an open folder (the descriptor is taken over) for a protected folder
// or the beginning of another mount.
RemovalVerdict survey(int fd, const struct stat &self, const QByteArray &path, const QList<Protected> &guarded)
{
    DIR *d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        return {};
    }
    DirClose closer{d};
    while (const dirent *e = ::readdir(d)) {
        if (isDotName(e->d_name))
            continue;
        const int sub = openSubfolder(d, e);
        if (sub < 0)
            continue;
        const QByteArray subPath = path + '/' + e->d_name;
        struct stat st;
        if (::fstat(sub, &st) != 0) {
            ::close(sub);
            continue;
        }
        RemovalVerdict v;
        if (protectedAs(guarded, st))
            v = {RemovalRefusal::HoldsProtected, decodeFileName(subPath)};
        else if (beginsMount(sub, st, self))
            v = {RemovalRefusal::HoldsMount, decodeFileName(subPath)};
        if (v.why != RemovalRefusal::None) {
            ::close(sub);
            return v;
        }
        v = survey(sub, st, subPath, guarded);
        if (v.why != RemovalRefusal::None)
            return v;
    }
    return {};
}

// Deletes everything below an open folder (the descriptor is taken over) that lies
// on its mount; the first entry that stays is noted in left.
void empty(int fd, const struct stat &self, const QByteArray &path, const QList<Protected> &guarded, QByteArray &left)
{
    DIR *d = ::fdopendir(fd);
    if (!d) {
        ::close(fd);
        if (left.isEmpty())
            left = path;
        return;
    }
    DirClose closer{d};
    const auto stays = [&left](const QByteArray &p) {
        if (left.isEmpty())
            left = p;
    };
    while (const dirent *e = ::readdir(d)) {
        if (isDotName(e->d_name))
            continue;
        const QByteArray subPath = path + '/' + e->d_name;
        const int sub = openSubfolder(d, e);
        if (sub < 0) {
            if (::unlinkat(::dirfd(d), e->d_name, 0) != 0)
                stays(subPath);
            continue;
        }
        struct stat st;
        // Checked again: a mount may have appeared since the survey.
        if (::fstat(sub, &st) != 0 || protectedAs(guarded, st) || beginsMount(sub, st, self)) {
            ::close(sub);
            stays(subPath);
            continue;
        }
        empty(sub, st, subPath, guarded, left);
        if (::unlinkat(::dirfd(d), e->d_name, AT_REMOVEDIR) != 0)
            stays(subPath);
    }
}

} // namespace

RemovalVerdict judgeTreeRemoval(const QString &given, const QString &inputFolder)
{
    if (given.trimmed().isEmpty() || QDir::isRelativePath(given))
        return {RemovalRefusal::NotAbsolute, {}};
    const QString folder = trimmedPath(given);
    const QByteArray path = encodeFileName(folder);
    struct stat st, root;
    if (::stat(path.constData(), &st) != 0)
        return {}; // nothing there (or a dangling link): nothing to protect
    if (::stat("/", &root) == 0 && idOf(st) == idOf(root))
        return {RemovalRefusal::Root, {}};
    const QList<Protected> guarded = protectedIds(inputFolder);
    if (const Protected *p = protectedAs(guarded, st))
        return {p->why, {}};
    if (!S_ISDIR(st.st_mode) || raw::isLink(folder))
        return {}; // a file, or a link that is removed as a link
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat parent;
    if (::stat((path + "/..").constData(), &parent) != 0)
        parent = st;
    if (beginsMount(fd, st, parent)) {
        ::close(fd);
        return {RemovalRefusal::Root, {}};
    }
    return survey(fd, st, path, guarded);
}

TreeRemoval removeTree(const QString &given, const QString &inputFolder)
{
    TreeRemoval r{judgeTreeRemoval(given, inputFolder), {}};
    const QString folder = trimmedPath(given);
    if (r.verdict.why != RemovalRefusal::None || !raw::occupied(folder))
        return r;
    const QByteArray path = encodeFileName(folder);
    if (raw::isLink(folder) || !raw::isFolder(folder)) {
        if (::unlink(path.constData()) != 0)
            r.left = folder;
        return r;
    }
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0)
            ::close(fd);
        r.left = folder;
        return r;
    }
    QByteArray left;
    empty(fd, st, path, protectedIds(inputFolder), left);
    if (::rmdir(path.constData()) != 0 && left.isEmpty())
        left = path;
    r.left = decodeFileName(left);
    return r;
}

#endif

} // namespace fd
