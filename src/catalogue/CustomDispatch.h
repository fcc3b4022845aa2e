#pragma once
#include <QString>
#include <QStringList>

namespace fd {

class FDispatch;

// Per-file rule of the custom-only dispatch: places one input file into the
// existing subfolder of the output folder whose name contains the file's base
// name, named after the first JPEG picture kept there. entries are the subfolder
// entries of the custom subfolder list; placed counts the files placed during
// one scan.
void CustomDispatchFile(FDispatch &w, const QStringList &entries, const QString &path, long long &placed);

// The name a folder lends to files placed in it: its first "*.jpg" picture, else
// its first "*.jpeg", else fallbackName; cut at the last "." and then at the first "-".
QString folderStem(const QString &folder, const QString &fallbackName);

} // namespace fd
