#pragma once
// Byte-level file access for the dispatch transfer: plain descriptors, so every
// read and write reports its real byte count and the system's error number.
#include <QHash>
#include <QString>

namespace fd::raw {

// Opens an existing file for reading (a pipe does not block the open); -1 on
// failure (see lastError()).
int openRead(const QString &path);
// Creates a new file that must not exist yet; -1 on failure.
int createNew(const QString &path);
// Reads up to n bytes; the count read, 0 at the end, -1 on error.
long long read(int fd, char *buf, long long n);
// Writes up to n bytes; the count written (possibly fewer), -1 on error.
long long write(int fd, const char *buf, long long n);
// Size of an open file, -1 on error.
long long size(int fd);

// What the system tells of a file: enough to tell plain files, folders and links
// apart and to see whether two names lead to one file.
struct Info {
    long long size = -1;
    long long modifiedNs = 0; // modification time, nanoseconds since 1970
    unsigned long long device = 0, number = 0;
    bool plain = false, folder = false, link = false;
    bool readOnly = false; // no write permission bit: this platform's read-only file
    bool sameFileAs(const Info &o) const { return device == o.device && number == o.number; }
    // Still the same file with the same contents as far as the system tells.
    bool unchangedSince(const Info &o) const
    {
        return sameFileAs(o) && size == o.size && modifiedNs == o.modifiedNs;
    }
};
bool info(int fd, Info &out);
// followLinks: what a link leads to, else the link itself. False when nothing is there.
bool info(const QString &path, Info &out, bool followLinks);

// Folders kept open while a run uses them, so that a file's name is looked up
// in its folder instead of along its whole path. What is kept must be forgotten
// once a folder may have been removed or moved.
class FolderHandles {
public:
    FolderHandles() = default;
    ~FolderHandles() { forget(); }
    FolderHandles(const FolderHandles &) = delete;
    FolderHandles &operator=(const FolderHandles &) = delete;

    int openRead(const QString &path);
    int createNew(const QString &path);
    bool info(const QString &path, Info &out, bool followLinks);
    // rename(from, to, false): never replaces what is at to.
    bool renameNew(const QString &from, const QString &to);
    void forget();

private:
    // The folder's handle, or -1 to use the whole path; nameAt: where the name begins.
    int folderOf(const QString &path, qsizetype &nameAt);
    QHash<QString, int> kept_;
    // The two folders used last (a copy's source and destination): most names
    // come from one of them, found without building a key.
    struct Recent {
        QString folder;
        int fd = -1;
    };
    Recent recent_[2];
    int older_ = 0; // the slot the next new folder takes
    long long hits_ = 0, misses_ = 0;
};

// Copies up to n bytes from in to out inside the kernel, at both files' positions.
// The count copied (0 when the source ended), -1 on error; ENOSYS where there is
// no such call, and after the system said so once.
long long copyRange(int in, int out, long long n);

// A file being written to replace another: unnamed where the file system allows
// it, so an interruption leaves nothing behind; else a hidden name in the folder.
struct Replacement {
    int fd = -1;
    QString tempPath; // empty while unnamed
};
// Made in the folder of target; -1 in fd on failure.
Replacement createReplacement(const QString &target);
// Closes the file and puts it in place of target, atomically; false on failure,
// after which nothing of the replacement is left.
bool commitReplacement(Replacement &r, const QString &target);
// Puts a finished new file at target without ever replacing what is there: false
// with EEXIST when the name is taken, and the file is still there to try another
// name or commitReplacement(); false with another error after which it is discarded.
bool linkNew(Replacement &r, const QString &target);
// Closes and removes it.
void discardReplacement(Replacement &r);
// Removes the temporary files that an interrupted run of the program left in
// folder; the ones of a process still running stay. The count removed.
int removeLeftoverTemporaries(const QString &folder);

// Writes everything cached for the file system holding path to the disk.
bool flushFileSystem(const QString &path);
// Closes; false when the system reports an error (late write errors included).
bool close(int fd);

// Renames from onto to. With replace an existing target is replaced atomically;
// without it an existing target makes the rename fail. Across file systems it
// fails with EXDEV.
bool rename(const QString &from, const QString &to, bool replace);
bool remove(const QString &path);

// True when both paths name the same existing file (device and file number).
bool sameFile(const QString &a, const QString &b);

// Error number of the last failed call of this interface.
int lastError();
// True when the error number means the disk (or the user's quota) is full.
bool isDiskFull(int error);

} // namespace fd::raw
