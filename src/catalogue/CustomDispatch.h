#pragma once
#include <QString>
#include <QStringList>

namespace fd {

class Port;

// Per-file rule of the custom-only dispatch: places one input file into the
// existing subfolder of the output folder whose name contains the file's base
// name, named after the first JPEG picture kept there. entries are the output
// folder's subfolders relative to it; placed counts the files placed in one pass;
// moving is the run's decision to delete each source once it is placed. Answers
// the destination a transfer failed at, for the run to count and log; empty else.
QString CustomDispatchFile(Port &port, const QStringList &entries, const QString &path, long long &placed,
                           bool moving);

// The output folder's direct subfolders as the custom-only rule names them:
// relative to the folder, with a leading separator unless the folder ends in one.
QStringList customSubfolderEntries(const QString &outputFolder);

// The name a folder lends to files placed in it: its first "*.jpg" picture, else
// its first "*.jpeg", else fallbackName; cut at the last "." and then at the first "-".
QString folderStem(const QString &folder, const QString &fallbackName);

} // namespace fd
