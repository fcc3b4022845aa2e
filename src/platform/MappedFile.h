#pragma once
// A file written through memory. What is put in its mapping reaches the file
// with no system call of its own and survives the process being killed; only
// growing it, in chunks, calls the system. Blocks are reserved before they are
// mapped, so a full disk refuses the growth instead of faulting a later write.
#include <QString>

namespace fd::raw {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    // Writes a new file of the given size under a name of this process and puts it
    // in place of path, replacing what was there. False on failure, nothing left.
    bool create(const QString &path, long long size);
    // Maps an existing file for reading and changes in place.
    bool open(const QString &path);
    // Grows the file (and its mapping) to at least size bytes; data() may move.
    bool grow(long long size);
    // The pages of [from, to) made ready in one call, before they are written: a
    // fault per page on first write costs more than the writing.
    void prepare(long long from, long long to);
    // The bytes before offset are rarely looked at again: they leave the process's
    // memory (they stay in the file and come back when read).
    void releaseBefore(long long offset);
    // Unmaps and closes; keep >= 0 cuts the file to that many bytes first.
    void close(long long keep = -1);

    bool isOpen() const { return data_ != nullptr; }
    char *data() const { return data_; }
    long long size() const { return size_; }

private:
    int fd_ = -1;
    char *data_ = nullptr;
    long long size_ = 0;
};

} // namespace fd::raw
