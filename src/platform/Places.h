#pragma once
// Where the program writes its own files and where it finds the files it ships.
#include <QString>
#include <QStringList>

namespace fd {

// The name of the menu entry, icon and metadata that an installed copy carries.
inline constexpr char kDesktopId[] = "org.fdispatch.FDispatch";

// True for a copy installed with its menu entry (../share/applications beside its folder).
bool isInstalledCopy();

// The program's folder for a build or a portable copy that can write there; for an
// installed copy or an unwritable folder, the user's data location, created on demand.
// Native separators, no trailing separator.
QString writableDataFolder();

// A file shipped with the program: beside it, else in the shared data folder of an
// installed copy. The path beside the program when neither exists.
QString shippedFile(const QString &fileName);

// The help document "帮助.chm", found as a shipped file.
QString helpDocumentPath();

// The files a run must never move or delete: the program, its companion, the
// help document, the failure log and the update files, wherever they may lie.
QStringList ownFilePaths();
// The work folder when it is a folder of its own (not the program's): empty else.
QString separateWorkFolder();

} // namespace fd
