#pragma once
// Nothing-lost check for dispatch tests: records every input file's bytes before
// a run and afterwards finds each of them, whole, at its source or in an output.
#include <QHash>
#include <QString>
#include <QStringList>

namespace fd::test {

class Inventory {
public:
    // Records every file below the given folders (hidden ones included).
    static Inventory take(const QStringList &folders);

    // Input files whose exact bytes are found neither at their own path nor
    // anywhere below the given output folders; empty when nothing was lost.
    QStringList lostAfter(const QStringList &outputFolders) const;

    int size() const { return int(hashes_.size()); }
    const QHash<QString, QByteArray> &files() const { return hashes_; }

    static QByteArray hashOf(const QString &file); // empty when unreadable
    static QStringList filesBelow(const QString &folder);

private:
    QHash<QString, QByteArray> hashes_; // path -> content hash
};

} // namespace fd::test
