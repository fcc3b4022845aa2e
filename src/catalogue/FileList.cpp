#include "catalogue/FileList.h"

#include "catalogue/Wildcard.h"
#include "platform/NativeName.h"
#include "platform/Paths.h"

#include <QHash>
#include <algorithm>
#include <vector>

#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace fd {

namespace {

struct Listing {
    bool opened = false;
    QStringList names;
};
// Listings kept while a ListingReuse lives, by folder.
QHash<QString, Listing> *g_reused = nullptr;
bool g_handOver = false;

Listing readListing(const QString &folder, const std::function<void()> &yield, qsizetype expected)
{
    Listing l;
    // Grown in one step: copying a list of a million names to grow it holds the window.
    if (expected > 0)
        l.names.reserve(expected + 1024);
    if (!folderOpens(folder))
        return l;
#ifndef _WIN32
    const QByteArray dirBytes = encodeFileName(folder);
    DIR *d = ::opendir(dirBytes.constData());
    if (!d)
        return l;
    l.opened = true;
    const int dfd = ::dirfd(d);
    while (const dirent *e = ::readdir(d)) {
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        bool plain = e->d_type == DT_REG;
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st;
            plain = ::fstatat(dfd, n, &st, 0) == 0 && S_ISREG(st.st_mode);
        }
        if (plain)
            l.names.append(decodeFileName(QByteArray(n)));
        if (yield && (l.names.size() & 1023) == 0)
            yield();
    }
    ::closedir(d);
#else
    l.opened = forEachFileName(folder, true, [&](const QString &name) {
        l.names.append(name);
        return true;
    });
#endif
    return l;
}

bool isHiddenName(const QString &name) { return name.startsWith(QLatin1Char('.')); }

} // namespace

QStringList plainFileNames(const QString &folder, bool *opened, const std::function<void()> &yield,
                           qsizetype expected)
{
    Listing l;
    if (g_reused) {
        const QString key = paths::withTrailingSep(folder); // the scan names it so, the list without
        auto it = g_reused->find(key);
        if (it == g_reused->end()) {
            it = g_reused->insert(key, readListing(folder, yield, expected));
            l = *it;
        } else if (g_handOver) { // its second reader is its last: a run's scan
            l = std::move(*it);
            g_reused->erase(it);
        } else {
            l = *it;
        }
    } else {
        l = readListing(folder, yield, expected);
    }
    if (opened)
        *opened = l.opened;
    return l.names;
}

void forgetListings()
{
    if (g_reused)
        g_reused->clear();
}

ListingReuse::ListingReuse(Readers readers) : outermost_(g_reused == nullptr)
{
    if (outermost_) {
        g_reused = new QHash<QString, Listing>;
        g_handOver = readers == Readers::Two;
    }
}

ListingReuse::~ListingReuse()
{
    if (outermost_) {
        delete g_reused;
        g_reused = nullptr;
        g_handOver = false;
    }
}

FileList::FileList(QObject *parent) : QObject(parent) {}

bool FileList::setPath(const QString &folder)
{
    if (!folderOpens(folder))
        return false;
    path_ = folder;
    refresh();
    return true;
}

namespace {
// A list of a million names touches a million places in memory to copy, compare
// or free: the window processes its messages in between.
constexpr qsizetype kSlice = 4096;

void releaseInSlices(QStringList &list, const std::function<void()> &yield)
{
    if (yield && !list.isDetached()) { // shared: only the count goes down
        list = QStringList();
        return;
    }
    while (yield && list.size() > kSlice) {
        list.resize(list.size() - kSlice);
        yield();
    }
    list = QStringList();
}

// The first count names of list, with room for as many as room in all.
QStringList copyInSlices(const QStringList &list, qsizetype count, qsizetype room,
                         const std::function<void()> &yield)
{
    QStringList copy;
    copy.reserve(std::max(count, room));
    for (qsizetype i = 0; i < count; ++i) {
        copy.append(list.at(i));
        if (yield && (i + 1) % kSlice == 0)
            yield();
    }
    return copy;
}
} // namespace

void FileList::refresh(const std::function<void()> &yield)
{
    if (path_.isEmpty()) {
        names_.clear();
        read_.clear();
        return;
    }
    QStringList alternatives;
    for (const QString &a : pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!a.trimmed().isEmpty())
            alternatives.append(a.trimmed());
    const bool everything = alternatives.contains(QLatin1String("*.*")) || alternatives.contains(QLatin1String("*"));
    QStringList listed = plainFileNames(path_, nullptr, yield, read_.size());
    // A run lists the folder before and after: while the names come as they came
    // last time, none is copied, and an unchanged folder keeps its order.
    QStringList read;
    qsizetype same = 0, seen = 0;
    bool differs = false;
    for (const QString &name : std::as_const(listed)) {
        if (yield && (++seen % kSlice) == 0)
            yield();
        if ((!hidden_ && isHiddenName(name))
            || !(everything || std::any_of(alternatives.cbegin(), alternatives.cend(),
                                           [&](const QString &a) { return wildcardMatch(a, name); })))
            continue;
        if (!differs && same < read_.size() && read_.at(same) == name) {
            ++same;
            continue;
        }
        if (!differs) {
            differs = true;
            read = copyInSlices(read_, same, listed.size(), yield);
        }
        read.append(name);
    }
    releaseInSlices(listed, yield);
    if (!differs && same == read_.size())
        return;
    if (!differs) // the last names are gone
        read = copyInSlices(read_, same, same, yield);
    releaseInSlices(names_, yield);
    releaseInSlices(read_, yield);
    names_ = copyInSlices(read, read.size(), read.size(), yield); // shares the names' text
    read_ = std::move(read);
    sortInListOrder(names_, yield);
}

int compareWithoutCase(QStringView a, QStringView b)
{
    // Paths of one run share long ASCII starts: those are folded here, and only
    // from the first other character on does Qt's full case folding take over.
    // ASCII folds only A-Z and one unit to one unit, so the rest compares alike.
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t *p = a.utf16(), *q = b.utf16();
    qsizetype i = 0;
    for (; i < n; ++i) {
        char16_t x = p[i], y = q[i];
        if (x == y)
            continue;
        if ((x | y) >= 0x80)
            break;
        x = x >= u'A' && x <= u'Z' ? char16_t(x + 32) : x;
        y = y >= u'A' && y <= u'Z' ? char16_t(y + 32) : y;
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i == n)
        return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
    if (i > 0 && QChar::isHighSurrogate(p[i - 1])) // a pair folds as one character
        --i;
    return QtPrivate::compareStrings(a.mid(i), b.mid(i), Qt::CaseInsensitive);
}

void sortInListOrder(QStringList &names, const std::function<void()> &yield)
{
    // Names of one folder all differ: this order is total, any sort gives it.
    auto before = [](const QString &a, const QString &b) {
        const int c = compareWithoutCase(a, b);
        return c != 0 ? c < 0 : a < b;
    };
    // A scan lists in nearly this order: most lists come in order already, and
    // one look along them costs less than a sort.
    bool inOrder = true;
    for (qsizetype i = 1; i < names.size() && inOrder; ++i) {
        inOrder = !before(names[i], names[i - 1]);
        if (yield && (i & 16383) == 0)
            yield();
    }
    if (inOrder)
        return;
    if (!yield) {
        std::sort(names.begin(), names.end(), before);
        return;
    }
    // Sorted runs merged pairwise, with a yield between slices.
    constexpr qsizetype kRun = 2048;
    const qsizetype n = names.size();
    for (qsizetype lo = 0; lo < n; lo += kRun) {
        std::sort(names.begin() + lo, names.begin() + std::min(n, lo + kRun), before);
        yield();
    }
    // Merged through a buffer a slice at a time: one merge of a million names
    // would hold the window for a tenth of a second.
    QString *v = names.data();
    std::vector<QString> buf;
    qsizetype moved = 0;
    auto step = [&] {
        if ((++moved & 16383) == 0)
            yield();
    };
    for (qsizetype width = kRun; width < n; width *= 2) {
        for (qsizetype lo = 0; lo + width < n; lo += 2 * width) {
            const qsizetype mid = lo + width, hi = std::min(n, lo + 2 * width);
            buf.clear();
            buf.reserve(size_t(hi - lo));
            qsizetype a = lo, b = mid;
            while (a < mid || b < hi) {
                const bool left = b >= hi || (a < mid && !before(v[b], v[a])); // equal: the left one first
                buf.push_back(std::move(v[left ? a++ : b++]));
                step();
            }
            for (qsizetype i = 0; i < hi - lo; ++i) {
                v[lo + i] = std::move(buf[size_t(i)]);
                step();
            }
        }
    }
}

} // namespace fd
