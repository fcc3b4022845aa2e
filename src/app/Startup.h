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

StartupPaths computeStartupPaths(const QString &windir, const QString &programFilesVar,
                                 const QString &programData, const QString &programFolder);

} // namespace fd
