#pragma once
// Installs an update archive over a program folder, all or nothing: every entry
// is unpacked into a staging folder inside the program folder first, then the
// files are swapped in one by one and put back should any swap fail.
#include <QString>

namespace rebooter {

enum class InstallResult {
    Installed,
    Refused, // an entry would land outside the program folder, or is no plain file or folder
    Failed,  // unreadable or broken archive, or a file that could not be replaced
};

InstallResult installArchive(const QString &archive, const QString &programFolder, QString *why = nullptr);

// True when an entry name stays inside the folder it is unpacked into.
bool entryNameSafe(const QString &name);

} // namespace rebooter
