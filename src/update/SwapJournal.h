#pragma once
// Puts the unpacked files of an update into the program folder so that a kill at
// any moment leaves a program that starts. Every file is replaced by one atomic
// rename, the old one kept as a link in a backup folder; a journal written before
// the first rename lets the next start of the companion or of the program finish
// the swap, or roll it back when it cannot be finished.
#include <QString>

namespace fd::swap {

// Folders and files of the swap inside the program folder. Archive entries may
// not use these names.
QString stagingFolder(const QString &root);
QString backupFolder(const QString &root);
QString journalFile(const QString &root);
bool reservedName(const QString &firstPart);

// Where the companion leaves the reason of a failed update: beside the archive,
// in the program's work folder, which shows it once at its next start.
QString failureNoteFile(const QString &workFolder);

enum class Outcome {
    Nothing,    // no swap was interrupted
    Finished,   // the new version is in place
    RolledBack, // the old version is back
    Failed,     // neither could be completed; why says what is left to do
};

// Swaps every file of the staging folder into root, making the folders needed.
// Refused (false) before anything changes when a folder of root is a link or a
// folder stands where a file goes; on a failure midway the old files come back.
bool swapIn(const QString &root, QString *why);

// Finishes (or, failing that, rolls back) a swap that a kill interrupted, then
// removes the staging and backup folders. Cheap when there is no journal.
Outcome recover(const QString &root, QString *why = nullptr);

} // namespace fd::swap
