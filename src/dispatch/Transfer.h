#pragma once
#include <QString>
#include <QTime>
#include <functional>
#include <memory>

namespace fd {

namespace raw {
struct Info;
}

// What became of one file.
enum class Outcome { Placed, Skipped, SourceFailed, DestinationFailed, DiskFull };

struct TransferResult {
    bool failed = false;
    bool gaveUpAtFullDisk = false;
    bool sourceFailed = false; // the source could not be read: another destination won't help
    bool copied = false;       // true only when bytes really reached the destination

    Outcome outcome() const
    {
        if (copied)
            return Outcome::Placed;
        if (!failed)
            return Outcome::Skipped;
        if (gaveUpAtFullDisk)
            return Outcome::DiskFull;
        return sourceFailed ? Outcome::SourceFailed : Outcome::DestinationFailed;
    }
};

// What a transfer does when the destination name is taken.
enum class Clash { Skip, Overwrite, Rename };

// What a transfer does when the disk fills: ask Retry / Cancel itself, or give up
// at once (gaveUpAtFullDisk) for a caller that asks its own question.
enum class DiskFull { Ask, GiveUp };

// Copies source to destination; destination is updated to the name actually used.
// A skipped clash is neither a failure nor a copy.
TransferResult Transfer(const QString &source, QString &destination, Clash clash,
                        DiskFull onFull = DiskFull::Ask);

// Moves source to destination under the same rules: a rename where both lie on
// one file system (the file keeps its times), else a copy and then the deletion
// of the source. copied tells that the file reached the destination.
TransferResult Move(const QString &source, QString &destination, Clash clash,
                    DiskFull onFull = DiskFull::Ask);

// Deletes a source whose copies are all whole: the last step of a move that
// copied one file to several places. Nothing else deletes a source. It goes only
// when it is still the file the last copies were made from, and, within a run,
// once those copies are on the disk (see TransferSession).
void ReleaseSource(const QString &source);

// What one run's transfers share, from its start to its end (one at a time):
// - the files the run moved: each is the only copy, so no later file replaces it;
// - the program's own files, which are never moved, deleted or replaced;
// - the sources of copies waiting for the disk: they are deleted in batches, after
//   one flush of the destination's file system, at the latest when the run ends.
// A source found changed when its turn comes stays, and is reported as failed.
class TransferSession {
public:
    using FailureReport = std::function<void(const QString &source, const QString &destination)>;
    explicit TransferSession(FailureReport failed);
    ~TransferSession();
    TransferSession(const TransferSession &) = delete;
    TransferSession &operator=(const TransferSession &) = delete;

    // The session of the run under way; null outside a run.
    static TransferSession *current();
    // Flushes the copies made so far and deletes their sources.
    void flush();
    // A file of the program's that appeared after the start (the failure log).
    void protect(const QString &path);

    struct State;
    State &state() { return *d; }

private:
    std::unique_ptr<State> d;
    TransferSession *outer_ = nullptr;
};

// Flushes the current run's copies, if a run is under way.
void flushTransfers();

// Whether the run under way has asked for this folder before; notes it. Always
// false outside a run.
bool seenThisRun(const QString &folder);

// The run removed a folder: the folders its copies keep open are opened anew.
void forgetOpenFolders();

// Tests see every piece as it starts; before each piece of a file larger than one
// the window has processed its messages.
void setTransferPieceHook(std::function<void(long long bytes)> hook);

// Bytes per piece of a transfer: 2 MiB plus one.
constexpr long long kTransferPiece = 2LL * 1024 * 1024 + 1;

// The same steps on the disk itself, whatever file layer is in place.
TransferResult transferOnDisk(const QString &source, QString &destination, Clash clash, DiskFull onFull);
TransferResult moveOnDisk(const QString &source, QString &destination, Clash clash, DiskFull onFull);
void releaseSourceOnDisk(const QString &source);

// What a destination that exists already asks for, from what lies there: a
// folder, the source itself, or a file that may not be replaced (asked last).
enum class AtDestination { Fail, Leave, Rename, Overwrite };
AtDestination clashRule(bool folderThere, bool sourceThere, Clash clash,
                        const std::function<bool()> &mayNotReplaceThere);
// A file the run moved, one of the program's, or a read-only one; the program's alone.
bool mayNotReplaceFile(const raw::Info &i);
bool isProgramFile(const raw::Info &i);
// The names a clash renames to: the first, then each next one while taken.
QString clashName(const QString &destination);
QString nextClashName(const QString &taken);
// The time clash names carry; an invalid time restores the clock's.
void setClashStampTime(const QTime &t);

// Hour, minute and second written without leading zeros: 9:05:07 gives "957".
QString clashStamp(const QTime &t);
// A destination path split into folder (with its last separator), base name and
// extension (from the last "." of the file name on; empty without one).
struct DestinationParts {
    QString folder, base, extension;
};
DestinationParts splitDestination(const QString &destination);

} // namespace fd
