#pragma once
// Pure pieces of the distribution rules: folder names, counts, name tests, and
// the direct picking of the next file.
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

namespace fd {

// The part of the input folder that numbered folder names repeat: the whole path
// (less a drive prefix where paths have one), or with onlyLast its last component
// with the leading separator. One trailing separator is ignored; a root gives "".
QString relativePart(const QString &inputFolder, bool onlyLast);
// Output folder, relative part, "_分发", n.
QString numberedFolder(const QString &outputFolder, const QString &relative, long long n);
// How many numbered folders a run prepares for n files.
long long numberedFolderCount(long long files, bool fixedMode, long long perFolder, long long shares);

// Whether a run picks each file just before dispatching it (no shuffled run list):
// numbered folders outside the name rule, sequential or numeric order, or more
// than 2001 files.
bool directPickingFor(bool customFolders, bool folderFromName, bool sequential, bool numeric,
                      long long lastIndex);

// The file's name part: the path from its last separator on, separator included.
QString namePartOf(const QString &sourcePath);
// The name part up to its last "." (the whole name part when it has none).
QString baseOfNamePart(const QString &namePart);
// The folder's name begins with the file's name without extension.
bool includeSuits(const QString &base, const QString &folderName, bool ignoreCase);
// Both share a run of n characters (shorter at the ends) in both directions.
bool commonSuits(const QString &base, const QString &folderName, int n, bool ignoreCase);

// The path list split at NUL, empty entries dropped; with unique every path once.
// yield, when given, runs between slices of a long list.
QStringList splitAtNul(const QString &pathList, bool unique, const std::function<void()> &yield = {});
// The cleaned path list: split at NUL, empty entries dropped, every path once.
QStringList splitPathList(const QString &pathList, const std::function<void()> &yield = {});

// Hands out the catalogued paths one by one, each once: in catalogue order, or
// each remaining path equally likely. Constant time per file.
class DirectPicker {
public:
    DirectPicker() = default;
    explicit DirectPicker(QStringList paths) : paths_(std::move(paths)) {}
    // The next path; empty when none is left.
    QString takeNext();
    QString takeRandom(double uniform01);
    long long left() const { return paths_.size() - front_; }

private:
    QStringList paths_;
    qsizetype front_ = 0;
};

} // namespace fd
