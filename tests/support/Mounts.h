#pragma once
// File systems mounted by a test and always unmounted again when it ends.
#include <QString>

namespace fd::test {

class ScopedMount {
public:
    // A tmpfs of the given size at folder (created when missing).
    static ScopedMount tmpfs(const QString &folder, qint64 bytes);
    // A read-only view of source at target.
    static ScopedMount readOnlyBind(const QString &source, const QString &target);

    ScopedMount(ScopedMount &&o) noexcept : target_(o.target_), error_(o.error_) { o.target_.clear(); }
    ScopedMount &operator=(ScopedMount &&) = delete;
    ~ScopedMount();

    bool ok() const { return !target_.isEmpty(); }
    // Why the mount was refused (for QSKIP).
    QString error() const { return error_; }

private:
    ScopedMount() = default;
    QString target_;
    QString error_;
};

} // namespace fd::test
