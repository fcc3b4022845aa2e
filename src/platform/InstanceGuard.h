#pragma once
// Detects a second running copy of the program.
#include <QString>
#include <memory>

class QLockFile;

namespace fd {

class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;
    // Takes the single-copy lock; false when another copy holds it.
    virtual bool acquire() = 0;
};

// Lock file in the temporary folder (or FDISPATCH_LOCK_DIR), held while the process lives.
class LockFileGuard : public InstanceGuard {
public:
    LockFileGuard();
    ~LockFileGuard() override;
    bool acquire() override;
    static QString lockPath();

private:
    std::unique_ptr<QLockFile> lock_;
};

InstanceGuard &instanceGuard();
void setInstanceGuard(InstanceGuard *g); // not owned; nullptr restores the lock file

} // namespace fd
