#pragma once
#include <QString>

namespace fd {

class Port;

// What a walk is for. A catalogue walk feeds every visited folder to the catalogue
// scan and never touches the output folder list; an output-list walk appends the
// subfolders it meets to the output folder list and scans nothing (output folders
// are not input).
enum class WalkPurpose { Catalogue, OutputList };

// Visits one folder and, as the window's switches say, its subfolders.
void WalkFolder(Port &port, const QString &path, WalkPurpose purpose = WalkPurpose::Catalogue);

// The direct subfolders of a folder, full paths, in case-sensitive name order
// (UTF-16 code units), hidden ones included; empty when it cannot be listed.
QStringList subfoldersOf(const QString &folder);

} // namespace fd
