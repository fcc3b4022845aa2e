#pragma once
// The run's one view of the file system where it changes it: the disk itself, or
// a layer in between (the plan records instead of acting and keeps the planned
// state; a run from a plan acts and records what it did). The reads the rules make
// to decide (is the name taken? is it a folder?) go through it as well, so a plan
// sees its own planned files.
#include "dispatch/Transfer.h"
#include "platform/FolderRemoval.h"

#include <QString>

namespace fd {

class FileLayer {
public:
    virtual ~FileLayer() = default;
    virtual bool planning() const = 0;
    virtual TransferResult transfer(const QString &source, QString &destination, Clash clash, DiskFull onFull,
                                    bool move) = 0;
    virtual void releaseSource(const QString &source) = 0;
    virtual bool makePath(const QString &folder) = 0;
    virtual bool removeFolder(const QString &folder) = 0;
    virtual TreeRemoval removeTree(const QString &folder, const QString &inputFolder) = 0;
    virtual bool occupied(const QString &path) = 0;
    virtual bool folderExists(const QString &path) = 0;
    virtual bool isEmptyFolder(const QString &folder) = 0;
    virtual bool sameFile(const QString &a, const QString &b) = 0;
};

// The layer in place; null: the disk.
FileLayer *fileLayer();
void setFileLayer(FileLayer *layer); // not owned

namespace fs {
// True while a plan is worked out: nothing is written, asked at the end or waited for.
bool planning();
bool makePath(const QString &folder);
bool removeFolder(const QString &folder);
TreeRemoval removeTree(const QString &folder, const QString &inputFolder);
// What the steps above do on the disk, in the run's journal.
bool makePathOnDisk(const QString &folder);
TreeRemoval removeTreeOnDisk(const QString &folder, const QString &inputFolder);
bool removeFolderOnDisk(const QString &folder);
bool occupied(const QString &path);
bool folderExists(const QString &path);
bool isEmptyFolder(const QString &folder);
bool sameFile(const QString &a, const QString &b);
} // namespace fs

} // namespace fd
