#pragma once
// Environment and program location, read through one place.
#include <QString>

namespace fd {

// Value of an environment variable; the empty text when it is not set.
QString readEnv(const QString &name);

// The program's own executable file, its name's bytes kept.
QString programFile();
// The folder that holds the program, native separators, no trailing separator
// unless it is the file-system root.
QString programFolder();
// Tests point the program folder elsewhere; empty text restores the real one.
void setProgramFolderOverride(const QString &folder);

// Where updates are published: the build setting FDISPATCH_UPDATE_URL, replaced by
// the environment variable of the same name when that is set. Empty: no updates.
QString updateLocation();

} // namespace fd
