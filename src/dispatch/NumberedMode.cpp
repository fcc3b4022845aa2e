// Numbered folders: a fixed number of files per folder, or equal shares.
#include "dispatch/DispatchRun.h"
#include "dispatch/FileLayer.h"
#include "dispatch/Pace.h"
#include "dispatch/Port.h"
#include "dispatch/RunJournal.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"

namespace fd {

namespace {

class NumberedMode : public DispatchMode {
public:
    void prepare(DispatchRun &run) override
    {
        const long long n = run.fileCount();
        const ShareSettings s = run.port.shares();
        const bool fixed = s.fixedCount;
        const long long p = s.perFolder;
        const long long k = s.shares;
        const long long count = numberedFolderCount(n, fixed, p, k);
        for (long long i = 1; i <= count; ++i) {
            const QString f = folderPath(run, i);
            if (!fs::folderExists(f))
                fs::makePath(f); // a folder that cannot be made fails its transfers later
            pace::ifDue(); // thousands of folders take a while
        }
        shareSize_ = fixed ? p : (k > 0 ? n / k : n);
        if (shareSize_ < 1)
            shareSize_ = 1;
    }

    void startLoop(DispatchRun &) override
    {
        folder_ = 1;
        inFolder_ = 0;
    }

    bool dispatchOne(DispatchRun &run, const QString &source, long long i) override
    {
        if (run.directPicking) {
            long long share = run.port.shares().perFolder;
            if (share < 1)
                share = 1;
            if (inFolder_ >= share) {
                ++folder_;
                inFolder_ = 0;
            }
            ++inFolder_;
        } else if (i > 0 && i % shareSize_ == 0) {
            ++folder_;
        }
        // A view: the destination is the one new text made per file.
        const qsizetype cut = source.lastIndexOf(paths::sep());
        const QStringView namePart = cut < 0 ? QStringView(source) : QStringView(source).mid(cut);
        QString dst = folderPath(run, folder_);
        dst += namePart;
        nextFolder_ = folderPath(run, folder_ + 1);
        if (source.isEmpty()) { // direct picking found no file left
            run.recordFailure(source, dst);
            return true;
        }
        if (run.moving()) {
            if (run.place(source, dst).failed)
                run.recordFailure(source, dst);
            return true;
        }
        for (;;) {
            const TransferResult r = run.transfer(source, dst);
            nextFolder_ = folderPath(run, folder_ + 1);
            if (!r.failed)
                return true;
            // Retry in the following folders only while they exist, never after the
            // user gave up at a full disk, and never for a source that can't be read.
            if (r.gaveUpAtFullDisk || r.sourceFailed || !fs::folderExists(nextFolder_)) {
                run.recordFailure(source, dst);
                return true;
            }
            ++folder_;
            dst = folderPath(run, folder_);
            dst += namePart;
        }
    }

    // The folder after the last one used goes when nothing reached it.
    void finish(DispatchRun &) override
    {
        if (!nextFolder_.isEmpty() && fs::folderExists(nextFolder_) && fs::isEmptyFolder(nextFolder_))
            fs::removeFolder(nextFolder_);
    }

private:
    // Built again only when the number or the output folder changed: each file
    // asks for its folder and the next one.
    QString folderPath(const DispatchRun &run, long long n)
    {
        const QString out = run.outFolder();
        for (const Built &b : built_)
            if (b.n == n && b.out == out && b.relative == run.relative)
                return b.path;
        Built &b = built_[nextBuilt_];
        nextBuilt_ = 1 - nextBuilt_;
        b = Built{n, out, run.relative, numberedFolder(out, run.relative, n)};
        return b.path;
    }

    struct Built {
        long long n = 0;
        QString out, relative, path;
    };
    Built built_[2];
    int nextBuilt_ = 0;

    long long folder_ = 1;    // current numbered folder
    long long inFolder_ = 0;  // turns already given to it (direct picking)
    long long shareSize_ = 1; // files per folder in prepared order
    QString nextFolder_;
};

} // namespace

std::unique_ptr<DispatchMode> numberedRule() { return std::make_unique<NumberedMode>(); }

} // namespace fd
