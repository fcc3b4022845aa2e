#pragma once
// Deleting a folder with everything in it, the most dangerous act of the program:
// one guard decides which folders may never go that way.
#include <QString>

namespace fd {

enum class RemovalRefusal {
    None,           // may be deleted
    NotAbsolute,    // empty or relative: would resolve against the working folder
    Root,           // the root of a file system
    Home,           // the user's home folder
    ProgramFolder,  // the folder that holds the program
    InputFolder,    // the input folder
    HoldsProtected, // holds the input folder, the program's folder or the home folder
};

// Why folder must not be deleted with its contents; None when it may. Links are
// followed, so a link to a protected folder is refused too.
RemovalRefusal treeRemovalRefusal(const QString &folder, const QString &inputFolder);

// Deletes folder with everything in it, silently and ignoring entries that cannot
// be deleted, unless the guard refuses. A link is removed as a link: what it points
// to stays. Answers the guard's verdict (None when it went ahead).
RemovalRefusal removeTree(const QString &folder, const QString &inputFolder);

} // namespace fd
