#pragma once
#include <QString>

namespace fd {

class Port;

// Reads the matching files of one folder into the window's catalogue.
void ScanFolder(Port &port, const QString &folder);

// The plain files of a folder (given with its trailing separator) as the scan
// meets them: hidden ones included, in the order of their names ignoring case.
QStringList scanListing(const QString &folder);
// The type of a listed file when the type filter takes it; empty otherwise.
QString takenType(const QString &path, const QString &filter);

} // namespace fd
