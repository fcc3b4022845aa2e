#pragma once
// Path rules written for drive-letter paths, carried onto the native platform.
// On Linux the "drive root" is "/" and nothing is stripped as a drive.
#include <QChar>
#include <QString>

namespace fd::paths {

// The native separator: "\" on Windows, "/" elsewhere.
QChar sep();
QString sepStr();

// The root of the file system that holds path: "C:\" on Windows (its first three
// characters), "/" on Linux.
QString driveRoot(const QString &path);
// Length of the drive prefix that a path carries ("C:" = 2 on Windows, 0 on Linux).
int drivePrefixLength(const QString &path);
// True when path is a bare root ("C:\", "C:" or "/").
bool isRoot(const QString &path);

// Appends one separator when path does not end with one.
QString withTrailingSep(const QString &path);
// Removes one trailing separator, except from a root.
QString withoutTrailingSep(const QString &path);
// The text after the last separator.
QString lastComponent(const QString &path);
// Folder part up to and including the last separator.
QString folderOf(const QString &path);
// Joins folder and a relative part with exactly one separator between them.
QString join(const QString &folder, const QString &relative);
// Replaces "/" by the native separator (and "\" on Windows-only builds).
QString native(const QString &path);

// The volume holding path, as messages name it: its drive letter on Windows,
// the mount point of its file system elsewhere.
QString volumeOf(const QString &path);

bool folderExists(const QString &path);
bool fileExists(const QString &path);  // plain file, not hidden

} // namespace fd::paths
