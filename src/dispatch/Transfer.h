#pragma once
#include <QString>
#include <QTime>
#include <functional>

namespace fd {

class FDispatch;

struct TransferResult {
    bool failed = false;
    bool gaveUpAtFullDisk = false;
    bool sourceFailed = false; // the source could not be read: another destination won't help
    bool copied = false;       // true only when bytes really reached the destination
};

// What a transfer does when the destination name is taken.
enum class Clash { Skip, Overwrite, Rename };
// The rule ChOvewr and ChRen set now; renaming wins over overwriting.
Clash clashPolicy(const FDispatch &w);

// Copies source to destination; destination is updated to the name actually used.
// A skipped clash is neither a failure nor a copy.
TransferResult Transfer(const QString &source, QString &destination, Clash clash);

// Tests see every piece as it starts, after the window processed its messages.
void setTransferPieceHook(std::function<void(long long bytes)> hook);

// Bytes per piece of a transfer: 2 MiB plus one.
constexpr long long kTransferPiece = 2LL * 1024 * 1024 + 1;

// Hour, minute and second written without leading zeros: 9:05:07 gives "957".
QString clashStamp(const QTime &t);
// A destination path split into folder (with its last separator), base name and
// extension (from the last "." of the file name on; empty without one).
struct DestinationParts {
    QString folder, base, extension;
};
DestinationParts splitDestination(const QString &destination);

} // namespace fd
