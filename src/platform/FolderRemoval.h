#pragma once
// Deleting a folder with everything in it, the most dangerous act of the program:
// one guard decides which folders may never go that way, and the deletion itself
// never leaves the mount the folder lies on.
#include <QString>

namespace fd {

enum class RemovalRefusal {
    None,           // may be deleted
    NotAbsolute,    // empty or relative: would resolve against the working folder
    Root,           // the root of a file system or of a mount
    Home,           // the user's home folder
    ProgramFolder,  // the folder that holds the program
    InputFolder,    // the input folder
    HoldsProtected, // holds the input folder, the program's folder or the home folder
    HoldsMount,     // holds the root of another mount (a stick, a share, a bind mount)
};

struct RemovalVerdict {
    RemovalRefusal why = RemovalRefusal::None;
    QString at; // for HoldsProtected and HoldsMount: the folder found below
};

// Why folder must not be deleted with its contents; None when it may. Folders are
// compared by device and file number, so a link or a bind mount of a protected
// folder is refused too; a link is judged by what it leads to.
RemovalVerdict judgeTreeRemoval(const QString &folder, const QString &inputFolder);
inline RemovalRefusal treeRemovalRefusal(const QString &folder, const QString &inputFolder)
{
    return judgeTreeRemoval(folder, inputFolder).why;
}

struct TreeRemoval {
    RemovalVerdict verdict;
    QString left; // the first entry that could not be deleted; empty when all went
    bool done() const { return verdict.why == RemovalRefusal::None && left.isEmpty(); }
};

// Deletes folder with everything in it, silently, unless the guard refuses. A link
// is removed as a link: what it points to stays. What could not be deleted (or
// lies on another mount meanwhile) stays and is named in left.
TreeRemoval removeTree(const QString &folder, const QString &inputFolder);

} // namespace fd
