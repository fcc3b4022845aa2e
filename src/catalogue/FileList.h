#pragma once
// A non-visual file list: the files of one folder that match a listing pattern
// (";"-separated wild cards, case-insensitive), sorted by name without regard to case.
#include <QObject>
#include <QStringList>
#include <functional>

namespace fd {

class FileList : public QObject {
    Q_OBJECT
public:
    explicit FileList(QObject *parent = nullptr);

    QString path() const { return path_; }
    // Fails (returns false, keeps the old folder) when the folder cannot be opened.
    bool setPath(const QString &folder);
    QString pattern() const { return pattern_; }
    void setPattern(const QString &p) { pattern_ = p; refresh(); }
    bool hidden() const { return hidden_; }
    void setHidden(bool on) { hidden_ = on; }

    // yield, when given, runs between slices of a long listing (a run lets the
    // window process its messages there).
    void refresh(const std::function<void()> &yield = {});
    int listCount() const { return int(names_.size()); }
    QString list(int i) const { return names_.value(i); }
    const QStringList &names() const { return names_; }

private:
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
    bool hidden_ = false;
    QStringList names_;
    QStringList read_; // the same names as last read, in directory order
};

// The plain files directly in folder (links to plain files included), hidden ones
// too, in directory order; read from the directory entries alone wherever they
// tell the kind of file. False in opened when the folder cannot be listed;
// expected: about how many names there were last time.
QStringList plainFileNames(const QString &folder, bool *opened = nullptr,
                           const std::function<void()> &yield = {}, qsizetype expected = 0);

// The sign of QString::compare without case, sooner on long ASCII starts.
int compareWithoutCase(QStringView a, QStringView b);
// The list's order: by name without regard to case (paths of one folder sort as
// their names do). yield as for refresh().
void sortInListOrder(QStringList &names, const std::function<void()> &yield = {});

// While one lives, a folder is read once and its listing reused: handlers that
// count and list the same folder for one change read the disk once.
// Listings kept so far are out of date: a run changed files.
void forgetListings();

class ListingReuse {
public:
    // Two: each listing has two readers, the second takes it over (a run's list
    // and its scan: a million names are not kept twice).
    enum class Readers { Any, Two };
    explicit ListingReuse(Readers readers = Readers::Any);
    ~ListingReuse();
    ListingReuse(const ListingReuse &) = delete;
    ListingReuse &operator=(const ListingReuse &) = delete;

private:
    bool outermost_;
};

} // namespace fd
