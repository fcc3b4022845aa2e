#pragma once
// Nothing-lost check for dispatch tests: records every input file's bytes before
// a run and afterwards finds each of them, whole, at its source or in an output.
// Paths are read and compared as the bytes the file system holds, so names that
// are not UTF-8 are seen too.
#include <QHash>
#include <QString>
#include <QStringList>

namespace fd::test {

class Inventory {
public:
    // Records every file below the given folders (hidden ones included).
    static Inventory take(const QStringList &folders);

    // Whether a file found in an output must also carry its source's name bytes.
    enum class Names { Any, Kept };

    // Input files whose exact bytes are found neither at their own path nor
    // anywhere below the given output folders (under the same name with
    // Names::Kept); empty when nothing was lost.
    QStringList lostAfter(const QStringList &outputFolders, Names names = Names::Any) const;

    int size() const { return int(hashes_.size()); }

    static QByteArray hashOf(const QByteArray &file); // empty when unreadable
    static QByteArray hashOf(const QString &file);
    // Every file below the folder, as bytes; links are not followed.
    static QList<QByteArray> bytePathsBelow(const QString &folder);
    static QStringList filesBelow(const QString &folder);

private:
    QHash<QByteArray, QByteArray> hashes_; // path bytes -> content hash
};

} // namespace fd::test
