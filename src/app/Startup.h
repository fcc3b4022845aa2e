#pragma once
#include <QString>

namespace fd {

// Paths computed once at startup from the environment and the program's folder.
struct StartupPaths {
    QString systemFolder;  // windir + separator + "System32"
    QString programFiles;  // programfiles
    bool newerSystem = false; // programdata is not empty
    QString workFolder;    // always ends with a separator
    QString workCandidate; // the folder to create when newerSystem (empty otherwise)
};

// ownFolder is where the program writes when programdata is empty: its own folder,
// or the user's data location when that cannot be written; empty means programFolder.
StartupPaths computeStartupPaths(const QString &windir, const QString &programFilesVar,
                                 const QString &programData, const QString &programFolder,
                                 const QString &ownFolder = QString());

} // namespace fd
