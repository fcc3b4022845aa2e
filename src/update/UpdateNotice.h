#pragma once
#include <QByteArray>
#include <QString>

namespace fd {

class FDispatch;

// The newest version that a notice file announces: its first line without the
// surrounding blanks; empty when the file says nothing.
QString announcedVersion(const QByteArray &content);

// Whether the dispatch button refuses: an update is announced and its download
// has not failed (after a failure the user may go on dispatching).
bool updateBlocksDispatch(FDispatch &w);
// Records that a download or the start of the companion failed.
void markUpdateFailed(FDispatch &w);

// Held by a dispatch run: CmdUpdate stays disabled while files are being moved,
// and a notice that arrives meanwhile takes effect when the run ends.
class UpdateLockDuringRun {
public:
    explicit UpdateLockDuringRun(FDispatch &w);
    ~UpdateLockDuringRun();
    UpdateLockDuringRun(const UpdateLockDuringRun &) = delete;
    UpdateLockDuringRun &operator=(const UpdateLockDuringRun &) = delete;

private:
    FDispatch &w_;
    bool wasEnabled_;
};

} // namespace fd
