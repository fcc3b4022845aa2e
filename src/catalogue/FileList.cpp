#include "catalogue/FileList.h"

#include "catalogue/Wildcard.h"

#include <algorithm>

namespace fd {

FileList::FileList(QObject *parent) : QObject(parent) {}

bool FileList::setPath(const QString &folder)
{
    if (!folderOpens(folder))
        return false;
    path_ = folder;
    refresh();
    return true;
}

void FileList::refresh()
{
    names_.clear();
    if (path_.isEmpty())
        return;
    forEachFileName(path_, hidden_, [this](const QString &name) {
        if (listingMatch(pattern_, name))
            names_.append(name);
        return true;
    });
    std::sort(names_.begin(), names_.end(), [](const QString &a, const QString &b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

} // namespace fd
