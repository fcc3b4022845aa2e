#pragma once
// The one file a run is writing under its final name, kept in a small mapped
// file: the system keeps what is written there when the process is killed, so
// the next run finds a file left half written and removes it. Writing straight
// into the final name is then as safe as writing a temporary file and naming it
// when whole, and much cheaper. Costs no system call per file beyond the
// identity of the new file.
#include "platform/MappedFile.h"
#include "platform/RawFile.h"

#include <QString>
#include <memory>

namespace fd {

class WriteSlot {
public:
    // Opens the slot kept at path, first removing what a killed run left there.
    // Not usable when it cannot be mapped or another process holds it.
    explicit WriteSlot(const QString &path);
    ~WriteSlot();
    WriteSlot(const WriteSlot &) = delete;
    WriteSlot &operator=(const WriteSlot &) = delete;

    bool usable() const { return file_.isOpen(); }
    // Before the file is created, with the size it will have; false when the
    // name does not fit (write it the safe way).
    bool begin(const QString &path, long long size);
    // Just after the create: the new file's identity. A file written in one call
    // may do without: a file shorter than its size, made since begin, is taken
    // as left half written.
    void created(const raw::Info &identity);
    // The file is whole, or was removed.
    void end();

    // Where this copy of the program keeps it.
    static QString defaultPath();
    // The file the slot at slotPath says is being written; empty when none.
    static QString pending(const QString &slotPath);
    // Removes a file a killed run left half written, as the slot tells; true when
    // one was found there.
    static bool recover(const QString &slotPath);

private:
    struct Lock;
    std::unique_ptr<Lock> lock_;
    raw::MappedFile file_;
};

} // namespace fd
