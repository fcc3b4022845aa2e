#pragma once
#include <QString>

namespace fd {

class FDispatch;

// Reads the matching files of one folder into the window's catalogue.
void ScanFolder(FDispatch &w, const QString &folder);

} // namespace fd
