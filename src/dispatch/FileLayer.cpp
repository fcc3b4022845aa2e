#include "dispatch/FileLayer.h"

#include "catalogue/FileList.h"
#include "dispatch/RunJournal.h"
#include "dispatch/Transfer.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"

namespace fd {

namespace {
FileLayer *g_layer = nullptr;
} // namespace

FileLayer *fileLayer() { return g_layer; }
void setFileLayer(FileLayer *layer) { g_layer = layer; }

namespace fs {

bool planning() { return g_layer && g_layer->planning(); }
bool makePath(const QString &folder) { return g_layer ? g_layer->makePath(folder) : makePathOnDisk(folder); }
bool makePathOnDisk(const QString &folder) { return makeRunFolder(folder); }
bool removeFolder(const QString &folder) { return g_layer ? g_layer->removeFolder(folder) : removeFolderOnDisk(folder); }
bool removeFolderOnDisk(const QString &folder)
{
    forgetOpenFolders();
    return raw::removeFolder(folder);
}

TreeRemoval removeTree(const QString &folder, const QString &inputFolder)
{
    return g_layer ? g_layer->removeTree(folder, inputFolder) : removeTreeOnDisk(folder, inputFolder);
}

TreeRemoval removeTreeOnDisk(const QString &folder, const QString &inputFolder)
{
    forgetListings();
    forgetOpenFolders();
    const bool hadFiles = raw::isFolder(folder) && !raw::isEmptyFolder(folder);
    const TreeRemoval removal = fd::removeTree(folder, inputFolder);
    if (hadFiles && removal.verdict.why == RemovalRefusal::None)
        noteClearedFolder(folder); // what was in it cannot come back
    return removal;
}

bool occupied(const QString &path) { return g_layer ? g_layer->occupied(path) : raw::occupied(path); }
bool folderExists(const QString &path) { return g_layer ? g_layer->folderExists(path) : paths::folderExists(path); }
bool isEmptyFolder(const QString &folder) { return g_layer ? g_layer->isEmptyFolder(folder) : raw::isEmptyFolder(folder); }
bool sameFile(const QString &a, const QString &b) { return g_layer ? g_layer->sameFile(a, b) : raw::sameFile(a, b); }

} // namespace fs

} // namespace fd
