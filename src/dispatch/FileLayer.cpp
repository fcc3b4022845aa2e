#include "dispatch/FileLayer.h"

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
bool makePath(const QString &folder) { return g_layer ? g_layer->makePath(folder) : raw::makePath(folder); }
bool removeFolder(const QString &folder) { return g_layer ? g_layer->removeFolder(folder) : raw::removeFolder(folder); }

TreeRemoval removeTree(const QString &folder, const QString &inputFolder)
{
    return g_layer ? g_layer->removeTree(folder, inputFolder) : fd::removeTree(folder, inputFolder);
}

bool occupied(const QString &path) { return g_layer ? g_layer->occupied(path) : raw::occupied(path); }
bool folderExists(const QString &path) { return g_layer ? g_layer->folderExists(path) : paths::folderExists(path); }
bool isEmptyFolder(const QString &folder) { return g_layer ? g_layer->isEmptyFolder(folder) : raw::isEmptyFolder(folder); }
bool sameFile(const QString &a, const QString &b) { return g_layer ? g_layer->sameFile(a, b) : raw::sameFile(a, b); }

} // namespace fs

} // namespace fd
