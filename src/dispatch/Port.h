#pragma once
// What the engine (scan, walk, transfer, rules, naming, log) sees of the window:
// role-named reads, each made at the moment the value is needed, because a
// switch the run does not lock still takes effect mid-run; and reports of
// progress and state back to the window. Dialogs go through the platform shell.
#include "catalogue/Catalogue.h"
#include "dispatch/Transfer.h"
#include "naming/FolderName.h"

#include <QString>
#include <QVector>

namespace fd {

class CatalogueModel;
class FileList;

// The switches that select the distribution rule.
struct ModeSwitches {
    bool customFolders = false; // Opt3: the output list instead of numbered folders
    bool customOnly = false;    // Opt3 with the custom-only choice
    bool folderFromName = false;
    bool sameContent = false;   // as ticked; counts only with the output list
    bool include = false;       // listed folders beginning with the base name
    bool common = false;        // listed folders sharing characters with it
    bool draw = false;
    bool manual = false;
    bool sweep = false;
    bool timed = false;
};

// The share fields: files per numbered folder, or the number of equal shares.
struct ShareSettings {
    bool fixedCount = true;   // Opt1
    long long perFolder = 0;  // TParts
    long long shares = 0;     // TDivs
};

// One row of the output folder list.
struct OutputFolder {
    QString path;
    QString name;
};

class Port {
public:
    virtual ~Port() = default;

    // State the window owns and lends to the engine.
    virtual CatalogueState &catalogue() = 0;
    virtual CatalogueModel &rows() = 0; // the catalogue's list view rows
    virtual FileList &fileList() = 0;   // the input folder's hidden file list
    virtual DrawPool &drawPool() = 0;

    // ---- Reads ------------------------------------------------------------------------
    virtual ModeSwitches modeSwitches() const = 0;
    virtual Clash clash() const = 0;        // what a taken destination name asks for
    // Delete each source once it is placed: read once, as a run starts, which keeps
    // its answer to the end (DispatchRun::moving()).
    virtual bool moving() const = 0;
    virtual bool sequential() const = 0;    // file order rather than random order
    virtual bool numeric() const = 0;       // numeric order of the numbers in the names
    virtual int listOrderColumn() const = 0; // the chosen sort column of the list
    virtual bool ascending() const = 0;
    virtual bool progressAsBar() const = 0; // the bar instead of counters in the title
    virtual bool walkSubfolders() const = 0;
    virtual QString inputFolder() const = 0;
    virtual QString outputFolder() const = 0;
    virtual QString typeFilter() const = 0;
    virtual QString fileCountText() const = 0; // the file count as shown
    virtual ShareSettings shares() const = 0;
    virtual long long commonCharacters() const = 0;
    virtual bool ignoreCase() const = 0;    // name tests and patterns ignore case
    virtual NameRule nameRule() const = 0;
    virtual QString sameContentPattern() const = 0;
    virtual bool onlyLastFolderInNames() const = 0; // numbered folders repeat the last folder only
    virtual QVector<OutputFolder> outputFolders() const = 0;
    virtual bool hasOutputFolder(const QString &path) const = 0;
    virtual bool stopRequested() const = 0; // the window is closing
    virtual int timedLowSeconds() const = 0;
    virtual int timedHighSeconds() const = 0;

    // ---- Reports ----------------------------------------------------------------------
    virtual QString title() const = 0;
    virtual void setTitle(const QString &title) = 0;
    virtual QString savedTitle() const = 0; // the title saved when a long operation began
    virtual void saveTitle() = 0;
    virtual void setProgressPercent(int percent) = 0;
    virtual void setFileCountText(const QString &count) = 0;
    virtual void appendOutputFolder(const QString &path, const QString &name) = 0;
    // The output row a long pass is at (0 based), or -1 when it is done.
    virtual void showOutputRow(int row) = 0;
    // The catalogue's list order changed.
    virtual void showListOrder() = 0;

    // ---- The run's hold on the window ---------------------------------------------------
    virtual void lockForRun() = 0;
    // The output list is frozen while the completion report shows.
    virtual void beforeReport() = 0;
    // The run is over: the window takes its controls back and, unless this was a
    // draw, shows the folder given (none when empty) and returns to the first rule.
    struct RunEnding {
        bool draw = false;
        bool moved = false; // the run moved its files
        QString folderToShow;
    };
    virtual void unlockAfterRun(const RunEnding &e) = 0;
    // The settings every run ends with, after any late report.
    virtual void finalSettings(const RunEnding &e) = 0;
    virtual void lockSweepSwitches() = 0;
    // Where the focus goes after a refusal.
    virtual void focusOutputButton() = 0;
    virtual void focusSameContentPattern() = 0;
    // A pending edit of the same-content pattern is judged as if the focus had left it.
    virtual void settleSameContentPattern() = 0;

    // ---- The timed run's ticks --------------------------------------------------------
    virtual void startTicks(int ms) = 0; // ms < 0: the interval as it stands
    virtual void stopTicks() = 0;
    virtual bool ticking() const = 0;
    virtual long long tickPosition() const = 0; // the next run-list entry a tick hands out
    virtual void setTickPosition(long long p) = 0;
};

} // namespace fd
