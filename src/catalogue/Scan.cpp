// The catalogue scan: one folder's matching files with their attributes, order keys
// and picture data go into the catalogue.
#include "catalogue/Scan.h"
#include "app/TextNumbers.h"

#include "app/Events.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/CatalogueText.h"
#include "catalogue/FileList.h"
#include "catalogue/ImageMetadata.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "dispatch/Pace.h"
#include "dispatch/Port.h"
#include "platform/RegexMatcher.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <deque>
#include <future>
#include <memory>
#include <vector>

namespace fd {

namespace {


const QString kFailedPhotoDate = QStringLiteral("000-00-00 00:00:00");
// Longest step, in milliseconds, between two chances for the window to process messages.
constexpr qint64 kSliceMs = 10;

// The plain files the scan reads, hidden ones included, in the order of their names
// ignoring case. Pipes and devices are left out: opening a pipe would block the
// scan. A large folder takes a while to list, so the window processes its
// messages every few milliseconds meanwhile.

// Waits for a worker, letting the window process its messages meanwhile.
template <typename T> void await(std::future<T> &f)
{
    while (f.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        DoEvents();
}
} // namespace

QStringList scanListing(const QString &folder)
{
    QElapsedTimer slice;
    slice.start();
    const QStringList listed = plainFileNames(folder, nullptr, [&slice] {
        if (slice.hasExpired(kSliceMs)) {
            DoEvents();
            slice.restart();
        }
    });
    // Ordering a million names takes a second: a worker does it, the window stays live.
    std::future<QStringList> ordered = std::async(std::launch::async, [listed]() {
        std::vector<std::pair<QString, QString>> entries; // name ignoring case, name
        entries.reserve(size_t(listed.size()));
        for (const QString &name : listed)
            entries.emplace_back(name.toLower(), name);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        QStringList names;
        names.reserve(qsizetype(entries.size()));
        for (auto &e : entries)
            names.push_back(std::move(e.second));
        return names;
    });
    await(ordered);
    return ordered.get();
}

QString takenType(const QString &path, const QString &filter)
{
    const QString type = typeKey(path);
    return !type.isEmpty() && passesTypeFilter(type, filter) ? type : QString();
}

namespace {

void showProgress(Port &port, long long n, const QString &count)
{
    const double total = textnum::valueOf(count);
    if (!port.progressAsBar()) {
        QString title = port.savedTitle() + QStringLiteral("   目标文件读取中...") + QString::number(qint64(n));
        if (total != 0)
            title += QLatin1Char('/') + count;
        port.setTitle(title);
    } else if (total != 0) {
        const double percent = double(n) * 100.0 / total;
        if (percent >= 0 && percent <= 100)
            port.setProgressPercent(int(std::nearbyint(percent)));
    }
}

// The picture columns of one file.
struct PictureColumns {
    QString photoDate;
    QString imageSize;
};

// The libraries may throw on a damaged picture: such a file shows no picture data.
PictureColumns readPictureColumns(const QString &path)
{
    try {
        const ImageSize size = ReadImageSize(path);
        return {ReadPhotoDate(path).value_or(kFailedPhotoDate), imageSizeText(size.width, size.height)};
    } catch (...) {
        return {kFailedPhotoDate, imageSizeText(0, 0)};
    }
}

// Reading pictures is most of a sequential scan's time and touches no window
// state, so a few worker threads read the next files while the scan enters rows.
Q_GLOBAL_STATIC(QThreadPool, g_readers)

int readerThreads() { return qBound(2, QThread::idealThreadCount(), 4); }


// The picture columns of the files of one listing, read a few files ahead of the
// scan and handed out strictly in the listing's order. Which files the scan will
// enter is guessed from the settings when a read starts; the scan decides again
// when it gets there, and a file it reaches without a read is read there and then.
class ReadAhead {
public:
    ReadAhead(const QString &folder, const QStringList &files) : folder_(folder), files_(files)
    {
        window_ = 2 * readerThreads();
    }
    ~ReadAhead()
    {
        for (Job &j : jobs_)
            j.cancelled->store(true);
        for (Job &j : jobs_)
            await(j.result);
    }
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // Starts reads for the files from index `from` on that `willRead` picks, keeping
    // at most the window's count of reads started and not yet taken. Looks only a
    // short way ahead, so a long run of files left out costs no long step.
    template <typename Pick> void fill(qsizetype from, Pick willRead)
    {
        next_ = qMax(next_, from);
        const qsizetype end = qMin(files_.size(), from + 16 * window_);
        while (qsizetype(jobs_.size()) < window_ && next_ < end) {
            const qsizetype i = next_++;
            if (!willRead(files_[i]))
                continue;
            if (!prepared_) {
                preparePictureReaders();
                g_readers()->setMaxThreadCount(readerThreads());
                prepared_ = true;
            }
            auto promise = std::make_shared<std::promise<PictureColumns>>();
            auto cancelled = std::make_shared<std::atomic<bool>>(false);
            Job job{i, promise->get_future(), cancelled};
            const QString path = folder_ + files_[i];
            g_readers()->start([promise, cancelled, path] {
                promise->set_value(cancelled->load() ? PictureColumns() : readPictureColumns(path));
            });
            jobs_.push_back(std::move(job));
        }
    }

    // The columns of file i, which the scan enters now.
    PictureColumns take(qsizetype i, const QString &path)
    {
        while (!jobs_.empty() && jobs_.front().index < i) { // guessed wrong: not entered after all
            jobs_.front().cancelled->store(true);
            await(jobs_.front().result);
            jobs_.pop_front();
        }
        if (jobs_.empty() || jobs_.front().index != i)
            return readPictureColumns(path);
        std::future<PictureColumns> result = std::move(jobs_.front().result);
        jobs_.pop_front();
        await(result);
        return result.get();
    }

private:
    struct Job {
        qsizetype index;
        std::future<PictureColumns> result;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };
    const QString folder_;
    const QStringList &files_;
    std::deque<Job> jobs_;
    qsizetype next_ = 0;
    qsizetype window_ = 4;
    bool prepared_ = false;
};

} // namespace


void ScanFolder(Port &port, const QString &folderIn)
{
    RegexMatcher number(fileNumberPattern());
    number.setGlobal(true); // all matches, so the last one can count

    if (folderIn.isEmpty())
        return;
    const QString folder = paths::withTrailingSep(folderIn);
    if (!raw::isFolder(folder))
        return;

    CatalogueState &cat = port.catalogue();
    const QStringList files = scanListing(folder);
    // Room for every path at once: a path list of a million files grown by
    // doubling copies itself whole, a stall each time.
    qsizetype room = cat.pathList.size();
    for (const QString &name : files)
        room += folder.size() + name.size() + 1;
    if (room > cat.pathList.capacity()) // a walk over many folders still grows it geometrically
        cat.pathList.reserve(std::max(room, cat.pathList.capacity() + cat.pathList.capacity() / 2));
    ReadAhead ahead(folder, files);
    // The files the scan will read pictures of, as the settings stand.
    auto willRead = [&port, &folder](const QString &name) {
        return port.sequential() && !takenType(folder + name, port.typeFilter()).isEmpty();
    };
    QString countText = port.fileCountText(), shownText;
    double total = textnum::valueOf(countText);
    long long shown = cat.count;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (port.stopRequested()) // the window is closing
            break;
        ahead.fill(i, willRead);
        const QString &name = files[i];
        const QString path = folder + name;
        const QString type = takenType(path, port.typeFilter());
        if (type.isEmpty()) {
            pace::ifDue();
            continue;
        }

        const bool sequential = port.sequential();
        const bool numeric = port.numeric();
        if (sequential && numeric && cat.runList.size() <= qsizetype(cat.count)) {
            const qsizetype needed = qsizetype(cat.count) + 1;
            if (cat.runList.capacity() < needed) // grow by doubling: one entry per file stays linear
                cat.runList.reserve(qMax(needed, 2 * cat.runList.capacity()));
            cat.runList.resize(needed);
        }
        const long long n = cat.count + 1;
        const qsizetype index = qsizetype(n) - 1;

        RunEntry entry;
        if (sequential) {
            QString key = QStringLiteral("0");
            QString column7 = paddedNumber(QStringLiteral("0"), 17);
            if (numeric) {
                const QString num = fileNumberText(name, number);
                key = paddedNumber(num, 9);
                column7 = paddedNumber(num, 17);
            }
            const PictureColumns picture = ahead.take(i, path);
            const std::optional<raw::Entry> st = raw::status(path);
            CatalogueModel::Row row;
            row[0] = name;
            row[1] = sizeText(st ? st->size : 0);
            row[2] = type;
            row[3] = dateTimeText(st ? QDateTime::fromMSecsSinceEpoch(st->modifiedMs) : QDateTime());
            row[4] = picture.photoDate;
            row[5] = picture.imageSize;
            row[6] = column7;
            row[7] = folder;
            port.rows().addRow(row);
            entry = RunEntry{path, key};
        } else {
            // The run fills this order's list itself from the path list; the key's
            // draw stays, so the random sequence is the same.
            (void)rnd();
        }
        // The count, the run list and the path list move together.
        cat.count = n;
        if (sequential && index < cat.runList.size())
            cat.runList[index] = std::move(entry);
        cat.pathList += path;
        cat.pathList += QChar(0);

        // The window shows the progress and reads the count at its turns only:
        // the user sees the same, the scan spends its time on the files.
        if (pace::due()) {
            countText = port.fileCountText();
            total = textnum::valueOf(countText);
            showProgress(port, n, countText);
            shown = n;
        }
        shownText = countText; // as the progress of this file would show it
        if (total < double(n)) {
            countText = QString::number(qint64(n));
            total = double(n);
            port.setFileCountText(countText);
        }
        if (n % 1000 == 0) {
            DoEvents();
            PauseSeconds(1.0f);
        }
        pace::ifDue();
    }
    if (shown != cat.count && cat.count > 0)
        showProgress(port, cat.count, shownText);
}

} // namespace fd
