#include "Mounts.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>

#ifdef __linux__
#include <sys/mount.h>
#endif

namespace fd::test {

#ifdef __linux__

ScopedMount ScopedMount::tmpfs(const QString &folder, qint64 bytes)
{
    ScopedMount m;
    QDir().mkpath(folder);
    const QByteArray opts = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, opts.constData()) != 0)
        m.error_ = QString::fromLocal8Bit(std::strerror(errno));
    else
        m.target_ = folder;
    return m;
}

ScopedMount ScopedMount::readOnlyBind(const QString &source, const QString &target)
{
    ScopedMount m;
    QDir().mkpath(target);
    const QByteArray s = QFile::encodeName(source), t = QFile::encodeName(target);
    if (::mount(s.constData(), t.constData(), nullptr, MS_BIND, nullptr) != 0) {
        m.error_ = QString::fromLocal8Bit(std::strerror(errno));
        return m;
    }
    if (::mount(nullptr, t.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        m.error_ = QString::fromLocal8Bit(std::strerror(errno));
        ::umount2(t.constData(), MNT_DETACH);
        return m;
    }
    m.target_ = target;
    return m;
}

ScopedMount::~ScopedMount()
{
    if (!target_.isEmpty())
        ::umount2(QFile::encodeName(target_).constData(), MNT_DETACH);
}

#else

ScopedMount ScopedMount::tmpfs(const QString &, qint64)
{
    ScopedMount m;
    m.error_ = QStringLiteral("mounting is not supported here");
    return m;
}
ScopedMount ScopedMount::readOnlyBind(const QString &, const QString &) { return tmpfs({}, 0); }
ScopedMount::~ScopedMount() = default;

#endif

} // namespace fd::test
