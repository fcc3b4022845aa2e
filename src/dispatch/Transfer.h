#pragma once
#include <QString>
#include <QTime>

namespace fd {

class FDispatch;

struct TransferResult {
    int failed = 0;            // 1 when the transfer failed, 0 otherwise
    bool gaveUpAtFullDisk = false;
    bool copied = false;       // true only when bytes really reached the destination
};

// Copies source to destination under the window's name-clash switches;
// destination is updated to the name actually used.
TransferResult Transfer(FDispatch &w, const QString &source, QString &destination);

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
