#include "catalogue/FileList.h"

#include <QDir>
#include <QFileInfo>

namespace fd {

FileList::FileList(QObject *parent) : QObject(parent) {}

bool FileList::setPath(const QString &folder)
{
    QFileInfo fi(folder);
    if (folder.isEmpty() || !fi.isDir() || !fi.isReadable() || !QDir(folder).isReadable())
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
    QDir dir(path_);
    QDir::Filters f = QDir::Files | QDir::NoDotAndDotDot;
    if (hidden_)
        f |= QDir::Hidden;
    QStringList filters = pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString &s : filters)
        s = s.trimmed();
    // "*.*" means every file, also names without a dot.
    for (QString &s : filters)
        if (s == QLatin1String("*.*"))
            s = QStringLiteral("*");
    dir.setNameFilters(filters);
    dir.setFilter(f);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    names_ = dir.entryList();
}

} // namespace fd
