#include "platform/InstanceGuard.h"
#include "platform/Env.h"

#include <QDir>
#include <QLockFile>

namespace fd {

LockFileGuard::LockFileGuard() = default;
LockFileGuard::~LockFileGuard() = default;

QString LockFileGuard::lockPath()
{
    QString dir = readEnv(QStringLiteral("FDISPATCH_LOCK_DIR"));
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QString user = readEnv(QStringLiteral("USER"));
    if (user.isEmpty())
        user = readEnv(QStringLiteral("USERNAME"));
    return QDir(dir).filePath(QStringLiteral("fdispatch-%1.lock").arg(user));
}

bool LockFileGuard::acquire()
{
    if (lock_ && lock_->isLocked())
        return true;
    lock_ = std::make_unique<QLockFile>(lockPath());
    lock_->setStaleLockTime(0); // a crashed copy's lock is taken over by pid check only
    return lock_->tryLock(0);
}

namespace {
LockFileGuard g_lockGuard;
InstanceGuard *g_guard = nullptr;
}

InstanceGuard &instanceGuard() { return g_guard ? *g_guard : g_lockGuard; }
void setInstanceGuard(InstanceGuard *g) { g_guard = g; }

} // namespace fd
