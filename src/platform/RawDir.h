#pragma once
// Folder listings and folder operations on exact file-name bytes (names pass
// through platform/NativeName). Qt's own file classes replace bytes that are not
// UTF-8, so listings and operations on input and output names go through here.
#include <QList>
#include <QString>

#include <optional>

namespace fd::raw {

enum class Kind { Missing, File, Folder, Other };

struct Entry {
    QString name;
    Kind kind = Kind::Other; // of the link's target for a link; Missing when it dangles
    bool link = false;
    long long size = -1;     // with status only
    long long modifiedMs = 0; // with status only: milliseconds since 1970 UTC
};

// The entries of a folder except "." and "..", in the order the system lists them.
// The kind comes from the listing itself where the file system tells it; only links
// and file systems that do not tell are asked one by one. withStatus also reads
// size and modification time (one status call per entry). Nothing when the folder
// cannot be opened.
std::optional<QList<Entry>> listFolder(const QString &folder, bool withStatus = false);

// Kind of what path names, links followed.
Kind kindOf(const QString &path);
inline bool isFolder(const QString &path) { return kindOf(path) == Kind::Folder; }
inline bool isFile(const QString &path) { return kindOf(path) == Kind::File; }
bool isLink(const QString &path);
// Anything at path, a dangling link included.
bool occupied(const QString &path);
// Size and modification time, links followed.
std::optional<Entry> status(const QString &path);
// A folder whose entries can be listed (read and search permission).
bool canList(const QString &folder);
// True when a folder holds no entry at all; false when it cannot be read.
bool isEmptyFolder(const QString &folder);
// True for the root folder of a mounted file system (its parent lies on another one).
bool isMountPoint(const QString &folder);
// Real path, links resolved; empty when it does not exist.
QString canonicalPath(const QString &path);

bool makeFolder(const QString &path);
// Makes the folder and any missing parents; true when it exists afterwards.
bool makePath(const QString &path);
bool removeFolder(const QString &path); // an empty folder only
// Removes a folder and everything in it; links inside are removed, never followed.
// A link given as the folder itself is removed as a link.
bool removeTree(const QString &path);

// Creates or empties a file for writing; -1 on failure. Use with raw::write/close.
int createTruncated(const QString &path);

} // namespace fd::raw
