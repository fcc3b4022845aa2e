#pragma once
// One press of the dispatch button, from the lock to the unlocking. The
// distribution rules see the run through this class and the window through
// its port.
#include "dispatch/DispatchMode.h"
#include "dispatch/FailureLog.h"
#include "dispatch/Rules.h"
#include "dispatch/Transfer.h"

#include <QString>
#include <array>
#include <memory>

namespace fd {

class Port;

class DispatchRun {
public:
    // Takes the run's decisions from the window as it stands: what the run does and
    // whether it moves. Switches changed while it runs do not change them.
    explicit DispatchRun(Port &port);
    ~DispatchRun();
    DispatchRun(const DispatchRun &) = delete;
    DispatchRun &operator=(const DispatchRun &) = delete;

    // From the lock to the final settings.
    void execute();

    Port &port;

    // ---- Run state -----------------------------------------------------------------
    QString relative;          // part of the input path repeated by numbered folders
    long long lastIndex = -1;  // files to dispatch minus one
    int failureCount = 0;
    bool directPicking = false;
    bool reloaded = false;     // the catalogue was rebuilt by this run
    bool stopped = false;      // a rule ended the passes early: no folder is shown
    bool folderShown = false;  // a rule opened the output folder itself
    FailureLog log;
    bool keepsJournal = true;  // false for a run that only plans: nothing to undo

    // ---- Services for the rules --------------------------------------------------
    QString tag() const;       // the title saved at the lock
    QString inFolder() const;
    QString outFolder() const;
    long long fileCount() const; // the file count as a whole number
    bool moving() const { return moving_; } // delete each source once it is placed
    const ModeChoice &started() const { return started_; } // the switches as the run began
    // Copies under the name-clash switches as they are now.
    TransferResult transfer(const QString &source, QString &destination);
    // Copies, or moves when the run moves: one file to one place.
    TransferResult place(const QString &source, QString &destination);
    // Counts a failed file and writes its line to the log.
    void recordFailure(const QString &source, const QString &destination);
    // Progress of a pass: counters in the title, or the bar.
    void progress(long long i, const QString &text);
    // The mode object of a kind, made on first use and kept for the run.
    DispatchMode &mode(ModeKind kind);

private:
    const ModeChoice started_;
    const bool moving_;
    std::array<std::unique_ptr<DispatchMode>, size_t(ModeKind::Count)> modes_;
    bool deferredReport_ = false;
    bool pickerReady_ = false;
    DirectPicker picker_;

    DispatchMode &runMode() { return mode(started_.run); }
    DispatchMode &fileRule() { return mode(selectMode(port).file); }
    DispatchMode &passMode();
    void lock();
    void useSplitPaths();
    bool sequentialByView() const;
    void rebuildCatalogue();
    std::optional<RunEnd> prepareWithoutRebuild();
    bool turnDue(long long i) const;
    void turn(long long i, const QString &text);
    bool lastTurn(bool any);
    RunEnd stop();
    std::optional<RunEnd> passes();
    RunEnd firstPass();
    QString preparedSource(long long i) const;
    std::optional<RunEnd> secondPass();
    QString pickNext(long long i);
    bool dispatchOne(const QString &source, long long i);
    void epilogue(RunEnd from);
};

} // namespace fd
