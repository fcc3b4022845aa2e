#pragma once
// The catalogue of input files and the draw pool: state the window owns and the
// engine fills.
#include <QString>
#include <QStringList>
#include <QVector>

namespace fd {

// One entry of the run list: source path and order key.
struct RunEntry {
    QString path;
    QString key;
};

// The catalogue of input files, filled by the scan and prepared by the run.
struct CatalogueState {
    long long count = 0;        // files entered since the caller cleared it
    QString pathList;           // every entered path followed by one NUL
    QVector<RunEntry> runList;  // entries 0..last index
    QStringList splitPaths;     // split copy of the path list kept by the run
    bool treeWalk = false;      // a walk that may descend is running
};

// The paths random draw and manual mode pick from; kept between runs.
struct DrawPool {
    QStringList paths;
};

} // namespace fd
