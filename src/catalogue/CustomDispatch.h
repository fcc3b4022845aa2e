#pragma once
#include <QString>
#include <QStringList>

namespace fd {

class FDispatch;

// Per-file rule of the custom-only dispatch: places one input file into the
// existing subfolder of the output folder whose name contains the file's base
// name. entries are the subfolder entries of the custom subfolder list; placed
// counts the files placed during one scan.
// Not built yet: the call point in the scan is in place, the rule does nothing.
void CustomDispatchFile(FDispatch &w, const QStringList &entries, const QString &path, long long &placed);

} // namespace fd
