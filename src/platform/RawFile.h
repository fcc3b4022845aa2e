#pragma once
// Byte-level file access for the dispatch transfer: plain descriptors, so every
// read and write reports its real byte count and the system's error number.
#include <QString>

namespace fd::raw {

// Opens an existing file for reading; -1 on failure (see lastError()).
int openRead(const QString &path);
// Creates a new file that must not exist yet; -1 on failure.
int createNew(const QString &path);
// Reads up to n bytes; the count read, 0 at the end, -1 on error.
long long read(int fd, char *buf, long long n);
// Writes up to n bytes; the count written (possibly fewer), -1 on error.
long long write(int fd, const char *buf, long long n);
// Size of an open file, -1 on error.
long long size(int fd);
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
