#include "Inventory.h"

#include "platform/NativeName.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSet>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fd::test {

namespace {

// The folder's path as bytes, independent of the program's own conversion for
// plain UTF-8 paths (test folders are).
QByteArray bytesOf(const QString &path) { return fd::encodeFileName(path); }

QByteArray lastName(const QByteArray &path) { return path.mid(path.lastIndexOf('/') + 1); }

void collect(const QByteArray &folder, QList<QByteArray> &out)
{
    DIR *d = ::opendir(folder.constData());
    if (!d)
        return;
    while (const dirent *e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray p = folder + '/' + name;
        struct stat st;
        if (::lstat(p.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            collect(p, out);
        else if (S_ISREG(st.st_mode))
            out << p;
    }
    ::closedir(d);
}

} // namespace

QByteArray Inventory::hashOf(const QByteArray &file)
{
    const int fd = ::open(file.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    QCryptographicHash h(QCryptographicHash::Sha256);
    if (!h.addData(&f))
        return {};
    // Size is part of the key, so a truncated copy never passes for the original.
    return h.result() + QByteArray::number(f.size());
}

QByteArray Inventory::hashOf(const QString &file) { return hashOf(bytesOf(file)); }

QList<QByteArray> Inventory::bytePathsBelow(const QString &folder)
{
    QList<QByteArray> out;
    QByteArray root = bytesOf(folder);
    while (root.size() > 1 && root.endsWith('/'))
        root.chop(1);
    collect(root, out);
    return out;
}

QStringList Inventory::filesBelow(const QString &folder)
{
    QStringList out;
    for (const QByteArray &p : bytePathsBelow(folder))
        out << fd::decodeFileName(p);
    return out;
}

Inventory Inventory::take(const QStringList &folders)
{
    Inventory inv;
    for (const QString &d : folders)
        for (const QByteArray &f : bytePathsBelow(d))
            inv.hashes_.insert(f, hashOf(f));
    return inv;
}

QStringList Inventory::lostAfter(const QStringList &outputFolders, Names names) const
{
    QSet<QByteArray> found;
    for (const QString &d : outputFolders)
        for (const QByteArray &f : bytePathsBelow(d))
            found.insert(names == Names::Kept ? lastName(f) + '\0' + hashOf(f) : hashOf(f));
    QStringList lost;
    for (auto it = hashes_.begin(); it != hashes_.end(); ++it) {
        if (::access(it.key().constData(), F_OK) == 0 && hashOf(it.key()) == it.value())
            continue;
        const QByteArray key = names == Names::Kept ? lastName(it.key()) + '\0' + it.value() : it.value();
        if (!found.contains(key))
            lost << fd::decodeFileName(it.key());
    }
    lost.sort();
    return lost;
}

} // namespace fd::test
