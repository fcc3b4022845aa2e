#pragma once
// Pure pieces of the output folder list.
#include <QString>

namespace fd {

// The folder's own name for a row added by CmdOut: the text after the last
// separator, the last character not searched (a root such as D: or / stays whole).
QString ownFolderName(const QString &path);

// The name under which something exists at path (its last component), the path
// itself for a root, or the empty text when nothing exists there.
QString entryNameOf(const QString &path);

// Title of the output folder picker.
QString outputPickerTitle(bool subfolderMainFolder, bool newerSystem);

} // namespace fd
