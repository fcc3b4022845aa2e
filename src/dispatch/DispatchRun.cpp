// The dispatch run: locking, catalogue refresh, the two loop styles, the report
// and the unlocking. The distribution rules live in their own files behind
// DispatchMode; the window's checks and questions come before, in its handler.
#include "dispatch/DispatchRun.h"

#include "app/Events.h"
#include "app/TextNumbers.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/FileList.h"
#include "catalogue/Sorting.h"
#include "dispatch/FileLayer.h"
#include "dispatch/Pace.h"
#include "dispatch/Port.h"
#include "dispatch/RunJournal.h"
#include "outputs/Walk.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <algorithm>
#include <cmath>

namespace fd {

DispatchRun::DispatchRun(Port &port) : port(port), started_(selectMode(port)), moving_(port.moving()) {}
DispatchRun::~DispatchRun() = default;

QString DispatchRun::tag() const { return port.savedTitle(); }
QString DispatchRun::inFolder() const { return port.inputFolder(); }
QString DispatchRun::outFolder() const { return port.outputFolder(); }
long long DispatchRun::fileCount() const { return textnum::wholeValue(port.fileCountText()); }

TransferResult DispatchRun::transfer(const QString &source, QString &destination)
{
    return Transfer(source, destination, port.clash());
}

TransferResult DispatchRun::place(const QString &source, QString &destination)
{
    const Clash clash = port.clash();
    return moving() ? Move(source, destination, clash) : Transfer(source, destination, clash);
}

void DispatchRun::recordFailure(const QString &source, const QString &destination)
{
    ++failureCount;
    log.add(source, destination);
}

DispatchMode &DispatchRun::passMode()
{
    return started_.timed ? mode(ModeKind::Timed) : fileRule();
}

void DispatchRun::execute()
{
    // Outlives the session, whose end deletes the last sources.
    std::optional<RunJournal> journal;
    if (keepsJournal)
        journal.emplace();
    // Sources found changed before their deletion are reported with the others.
    TransferSession transfers([this](const QString &source, const QString &destination) {
        if (!log.isOpen())
            log.open();
        recordFailure(source, destination);
    });
    relative = relativePart(inFolder(), port.onlyLastFolderInNames());
    // The input folder is read once for its list and its scan; once files
    // change, the transfer has it read anew.
    std::optional<ListingReuse> listing(std::in_place, ListingReuse::Readers::Two);
    lock();
    if (const auto end = runMode().replaceRun(*this, Stage::BeforeCatalogue)) {
        listing.reset();
        epilogue(*end);
        return;
    }
    if (fileCount() > port.fileList().listCount() || runMode().rebuildsCatalogue()) {
        rebuildCatalogue();
    } else if (const auto end = prepareWithoutRebuild()) {
        listing.reset();
        epilogue(*end);
        return;
    }
    listing.reset();
    port.setFileCountText(QString::number(lastIndex + 1));
    passMode().prepare(*this);
    epilogue(passes().value_or(RunEnd::Report));
}

void DispatchRun::lock()
{
    port.lockForRun();
    port.saveTitle();
    lastIndex = fileCount() - 1;
    port.fileList().refresh([] { pace::ifDue(); });
    if (port.sequential() && port.numeric())
        port.catalogue().runList.clear();
}

// Long lists are cut into slices between which the window processes its messages.
void DispatchRun::useSplitPaths()
{
    CatalogueState &cat = port.catalogue();
    cat.splitPaths = splitAtNul(cat.pathList, false, [] { pace::ifDue(); });
}

bool DispatchRun::sequentialByView() const { return port.sequential() && port.listOrderColumn() >= 2; }

// The catalogue holds files of subfolders (or the rule wants it fresh): read it anew.
void DispatchRun::rebuildCatalogue()
{
    CatalogueState &cat = port.catalogue();
    cat.count = 0;
    cat.pathList.clear();
    port.rows().clear();
    WalkFolder(port, inFolder());
    port.setTitle(tag() + QStringLiteral("  目标文件读取完毕，即将分发"));
    PauseSeconds(1.0f);
    port.setTitle(tag());
    useSplitPaths();
    lastIndex = sequentialByView() ? port.rows().count() - 1 : cat.splitPaths.size() - 1;
    if (!(port.sequential() && port.numeric()))
        cat.runList = QVector<RunEntry>(qMax<long long>(lastIndex + 1, 0));
    reloaded = true;
}

namespace {
// A fresh list of n empty entries, made and the old one freed a slice at a time:
// a million entries at once would hold the window for a fifth of a second.
void resizeRunList(QVector<RunEntry> &list, qsizetype n)
{
    constexpr qsizetype kSlice = 32768;
    while (!list.isEmpty()) {
        list.resize(std::max<qsizetype>(0, list.size() - kSlice));
        pace::ifDue();
    }
    list = QVector<RunEntry>();
    list.reserve(n);
    while (list.size() < n) {
        list.resize(std::min(n, list.size() + kSlice));
        pace::ifDue();
    }
}
} // namespace

// A rule that does the work itself answers where the run goes on.
std::optional<RunEnd> DispatchRun::prepareWithoutRebuild()
{
    CatalogueState &cat = port.catalogue();
    cat.pathList.clear();
    const long long n = fileCount();
    resizeRunList(cat.runList, n >= 0 && n < 100000000 ? n : 10001);
    port.saveTitle();
    if (const auto end = runMode().replaceRun(*this, Stage::InsteadOfScan))
        return end;
    cat.count = 0;
    port.rows().clear();
    cat.treeWalk = true;
    const bool scans = fileRule().scansInput();
    if (scans)
        WalkFolder(port, inFolder());
    cat.treeWalk = false;
    port.setTitle(tag());
    if (sequentialByView()) {
        lastIndex = port.rows().count() - 1;
    } else if (scans) {
        useSplitPaths();
        // Prepared in the input folder file list's order: by name.
        sortInListOrder(cat.splitPaths, [] { pace::ifDue(); });
        lastIndex = cat.splitPaths.size() - 1;
    }
    return std::nullopt;
}

void DispatchRun::progress(long long i, const QString &text)
{
    const long long total = lastIndex + 1;
    if (!port.progressAsBar())
        port.setTitle(tag() + text + QString::number(i + 1) + QLatin1Char('/') + QString::number(total));
    else if (total > 0)
        port.setProgressPercent(int(std::nearbyint(double(i + 1) * 100.0 / double(total))));
}

// The window processes its messages when about 10 ms have passed (and at the
// first and the last file); the progress text is set just before, when it will
// be painted, and names the file about to go.
bool DispatchRun::turnDue(long long i) const { return i == 0 || i >= lastIndex || pace::due(); }

void DispatchRun::turn(long long i, const QString &text)
{
    progress(i, text);
    pace::now();
}

// After the last file of a pass the window processes its messages once more;
// false when the window is closing.
bool DispatchRun::lastTurn(bool any)
{
    if (any)
        pace::now();
    return !port.stopRequested();
}

RunEnd DispatchRun::stop()
{
    stopped = true;
    return RunEnd::CloseLog;
}

// An answer other than the report ends the run early.
std::optional<RunEnd> DispatchRun::passes()
{
    bool forceDirect = false;
    for (;;) {
        const ModeChoice c = selectMode(port);
        directPicking = forceDirect
            || directPickingFor(c.customFolders, c.folderFromName, port.sequential(), port.numeric(), lastIndex);
        if (directPicking) {
            flushTransfers();
            failureCount = 0;
            log.open();
            fileRule().startLoop(*this);
        }
        const auto slices = [] { pace::ifDue(); };
        if (port.sequential() && port.numeric())
            sortListOnNumber(port, slices);
        if (sequentialByView())
            applyListOrder(port, slices); // the chosen key and direction, as the order buttons set them

        port.rows().sortIfNeeded(slices);
        if (const auto end = runMode().replaceRun(*this, Stage::InsteadOfPasses))
            return end;

        const RunEnd first = firstPass();
        if (first != RunEnd::Report)
            return first;
        const ModeChoice after = selectMode(port);
        const bool timed = started_.timed;
        if (directPicking && !timed) {
            log.close();
            return RunEnd::Report;
        }
        directPicking = false;
        const bool shuffle = ((!after.customFolders && !after.folderFromName) || timed) && !port.sequential();
        if (shuffle && !SortRunList(port, port.catalogue().runList, lastIndex) && !timed) {
            forceDirect = true;
            continue;
        }
        break;
    }
    if (const auto end = passMode().betweenPasses(*this))
        return end;
    flushTransfers();
    failureCount = 0;
    log.open();
    fileRule().startLoop(*this);
    return secondPass();
}

// The catalogue's own paths: the hidden file list lists with another pattern.
QString DispatchRun::preparedSource(long long i) const { return port.catalogue().splitPaths.value(i); }

RunEnd DispatchRun::firstPass()
{
    bool any = false;
    QVector<RunEntry> &runList = port.catalogue().runList;
    for (long long i = 0; i <= lastIndex; ++i) {
        any = true;
        if (turnDue(i))
            turn(i, passMode().firstPassPhrase(*this));
        if (i > 0 && port.stopRequested()) // the window is closing: stop after a file
            return stop();
        const bool sequential = port.sequential();
        long long key = 0;
        if (!sequential)
            key = (long long)std::floor(rnd() * 2.0 * double(lastIndex + 1));
        // Timed dispatch always fills the list: its ticks hand the files out.
        if (!started_.timed && (directPicking || sequential)) {
            if (!dispatchOne(pickNext(i), i))
                return RunEnd::CloseLog;
        } else if (i < runList.size()) {
            runList[i] = RunEntry{preparedSource(i), QString::number(key)};
        }
    }
    return lastTurn(any) ? RunEnd::Report : stop();
}

std::optional<RunEnd> DispatchRun::secondPass()
{
    bool any = false;
    const QVector<RunEntry> &runList = port.catalogue().runList;
    for (long long i = 0; i <= lastIndex; ++i) {
        any = true;
        if (turnDue(i))
            turn(i, passMode().secondPassPhrase(*this));
        if (i > 0 && port.stopRequested()) // the window is closing: stop after a file
            return stop();
        if (!dispatchOne(i < runList.size() ? runList[i].path : QString(), i))
            return RunEnd::CloseLog;
    }
    return lastTurn(any) ? RunEnd::Report : stop();
}

QString DispatchRun::pickNext(long long i)
{
    const bool sequential = port.sequential();
    if (sequential && (port.numeric() || sequentialByView())) {
        const CatalogueModel &rows = port.rows();
        if (i >= rows.count())
            return QString();
        return rows.text(int(i), 7) + rows.text(int(i), 0);
    }
    if (!pickerReady_) {
        // From here the picker holds the run's paths: the other copies go, which
        // halves the memory a million files take.
        CatalogueState &cat = port.catalogue();
        if (directPicking) {
            cat.splitPaths = QStringList();
            cat.runList = QVector<RunEntry>();
        }
        picker_ = DirectPicker(splitPathList(cat.pathList, [] { pace::ifDue(); }));
        if (directPicking)
            cat.pathList = QString();
        pickerReady_ = true;
    }
    return sequential ? picker_.takeNext() : picker_.takeRandom(rnd());
}

// The rule is chosen anew for every file: its switches are not locked.
bool DispatchRun::dispatchOne(const QString &source, long long i)
{
    if (!fileRule().dispatchOne(*this, source, i)) {
        stopped = true;
        return false;
    }
    return true;
}

void DispatchRun::epilogue(RunEnd from)
{
    // Every move is on the disk, its source deleted, before anything is reported.
    flushTransfers();
    const ModeChoice &c = started_;
    if (from == RunEnd::Report) {
        port.beforeReport();
        if (!c.sweep) {
            // A title still telling of the catalogue means the window has not shown
            // the run yet: the report waits for the unlocking.
            if (!port.title().contains(QStringLiteral("目标文件")))
                CompletionReport(port, failureCount);
            else
                deferredReport_ = true;
        }
    }
    log.close();
    if (from != RunEnd::Unlock) {
        for (auto &m : modes_)
            if (m)
                m->finish(*this);
    }
    if (!fs::planning()) // a plan changed no file: the list stands
        port.fileList().refresh([] { pace::ifDue(); });
    port.setTitle(tag());
    Port::RunEnding ending;
    ending.draw = c.draw;
    ending.moved = moving_;
    if (c.draw) {
        if (!stopped)
            ending.folderToShow = c.manual ? outFolder() : paths::join(outFolder(), QStringLiteral("随机抽取文件集"));
    } else if (!c.customFolders && !port.stopRequested() && !folderShown) {
        ending.folderToShow = outFolder();
    }
    port.unlockAfterRun(ending);
    if (!c.sweep && !c.draw && deferredReport_)
        CompletionReport(port, failureCount);
    port.finalSettings(ending);
}

} // namespace fd
