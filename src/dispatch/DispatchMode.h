#pragma once
// The distribution rules as the dispatch run sees them: which one the switches
// select, and the small interface each rule implements in its own file.
#include <QString>
#include <memory>
#include <optional>

namespace fd {

class DispatchRun;
class Port;

enum class ModeKind {
    // Rules for one file in the passes.
    Numbered,    // numbered folders
    GridAll,     // every folder of the output list
    GridInclude, // listed folders whose names begin with the file's base name
    GridCommon,  // listed folders sharing characters with the file's base name
    NewFolder,   // a new folder named from a piece of the file name
    // Rules that shape the whole run.
    SameContent, // subfolders sharing a regex match, all files at once
    CustomOnly,  // placed by the scan itself
    RandomDraw,
    Manual,
    Timed,
    Sweep,
    Count
};

// What the switches select, read at the moment of the call. A run keeps what it
// started as (see DispatchRun::started); only the rule for one file is read anew.
struct ModeChoice {
    ModeKind run = ModeKind::Numbered;  // what the run as a whole does
    ModeKind file = ModeKind::Numbered; // the rule for one file in the passes (the run's own otherwise)
    bool customFolders = false;  // the output list instead of numbered folders
    bool customOnly = false;     // placed by the scan, whatever else is set
    bool folderFromName = false; // also steers the order of the passes
    bool sameContent = false;    // needs an output list; all files at once
    bool draw = false;           // random draw or manual mode
    bool manual = false;
    bool sweep = false;
    bool timed = false;
};

// The one reader of the mode switches.
ModeChoice selectMode(const Port &port);

// Where a run goes on once a rule has finished early.
enum class RunEnd {
    Report,   // completion report, then the rest
    CloseLog, // no report: close the log, tidy up, unlock
    Unlock,   // straight to the unlocking
};

// Points of the run where a rule may do all the work itself.
enum class Stage {
    BeforeCatalogue, // right after locking (the sweep, the draws)
    InsteadOfScan,   // when the catalogue would be scanned without a rebuild
    InsteadOfPasses, // once the catalogue is ready and in order (same-content)
};

class DispatchMode {
public:
    virtual ~DispatchMode() = default;

    // False refuses the run before anything is locked; the rule has told the user why.
    virtual bool readyToStart(Port &) { return true; }

    // A rule that replaces the scan and the passes answers where the run goes on.
    virtual std::optional<RunEnd> replaceRun(DispatchRun &, Stage) { return std::nullopt; }
    virtual bool rebuildsCatalogue() const { return false; }
    // False when the rule reads the input folder itself rather than the catalogue.
    virtual bool scansInput() const { return true; }
    // Once the file count is known, before the passes.
    virtual void prepare(DispatchRun &) {}
    // Each time a loop over the files starts.
    virtual void startLoop(DispatchRun &) {}
    // Progress phrases of the first and second pass.
    virtual QString firstPassPhrase(const DispatchRun &run) const;
    virtual QString secondPassPhrase(const DispatchRun &run) const;
    // Dispatches one file; false ends the passes.
    virtual bool dispatchOne(DispatchRun &, const QString &source, long long i) { return true; }
    // After the first pass, for rules that dispatch in their own time.
    virtual std::optional<RunEnd> betweenPasses(DispatchRun &) { return std::nullopt; }
    // After the log is closed: tidy up what the rule made.
    virtual void finish(DispatchRun &) {}
};

// A new rule object of a kind; it lives for one run.
std::unique_ptr<DispatchMode> makeMode(ModeKind kind);
// Factories, each in its rule's file.
std::unique_ptr<DispatchMode> numberedRule();
std::unique_ptr<DispatchMode> gridRule(ModeKind kind);
std::unique_ptr<DispatchMode> newFolderRule();
std::unique_ptr<DispatchMode> sameContentRule();
std::unique_ptr<DispatchMode> customOnlyRule();
std::unique_ptr<DispatchMode> randomDrawRule(bool manual);
std::unique_ptr<DispatchMode> timedRule();
std::unique_ptr<DispatchMode> sweepRule();

// One tick of the timer of a timed run: the next few files go.
void timedTick(DispatchRun &run);

} // namespace fd
