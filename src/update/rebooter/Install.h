#pragma once
// Installs an update archive over a program folder, all or nothing: every entry
// is unpacked into a staging folder inside the program folder first, then the
// files are swapped in (update/SwapJournal) and put back should any swap fail.
#include <QString>
#include <QtGlobal>

namespace rebooter {

enum class InstallResult {
    Installed,
    Refused, // an unsafe entry (outside the program folder, no plain file or folder) or over a limit
    Failed,  // unreadable or broken archive, a failed write, or a file that could not be replaced
};

// What an archive may unpack to, so a small download cannot fill the disk.
struct UnpackLimits {
    qint64 entries = 100000;
    qint64 entryBytes = qint64(1) << 30;
    qint64 totalBytes = qint64(4) << 30;
};

// why gets a reason in the user's language when the result is not Installed.
InstallResult installArchive(const QString &archive, const QString &programFolder, QString *why = nullptr,
                             const UnpackLimits &limits = {});

// True when an entry name stays inside the folder it is unpacked into.
bool entryNameSafe(const QString &name);

} // namespace rebooter
