#pragma once
#include <QString>

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

} // namespace fd
