#pragma once
// The journal of the last run that wrote: each step on the file system is put
// down before it is taken and marked after, so the run can be taken back, also
// after the program was killed in the middle of it. The file is mapped into
// memory: a step costs no system call, and a kill loses nothing put down.
#include "dispatch/Action.h"
#include "platform/MappedFile.h"
#include "platform/RawFile.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace fd {

class RunJournal {
public:
    // Becomes the journal of the run under way. The file is made at the first step,
    // replacing the last run's; a run that changed nothing leaves none.
    RunJournal();
    ~RunJournal();
    RunJournal(const RunJournal &) = delete;
    RunJournal &operator=(const RunJournal &) = delete;

    // The journal of the run under way; null outside a run and while planning.
    static RunJournal *current();

    // Beside the failure log; tests put it in a folder of their own.
    static QString path();
    // What the last undo could not take back.
    static QString leftListPath();
    static void setFolder(const QString &folder);
    static bool exists();

    using Entry = long long; // the step's place in the file; < 0 when not put down
    Entry begin(ActionKind kind, const QString &source, const QString &target);
    // The source as it stood when the step took it.
    void stampSource(Entry e, const raw::Info &source);
    // The step is taken: kind as it turned out, and what now stands at target
    // (empty: at the target it began with).
    void done(Entry e, ActionKind kind, const QString &target, const raw::Info &placed);
    // The step changed nothing (a skipped name, a failure).
    void nothing(Entry e);
    // Stops writing as a killed process would, leaving the file as it stands.
    void abandon();

private:
    Entry append(int type, ActionKind kind, const QString &source, const QString &target, bool withOutcome);
    bool ensureOpen();
    raw::MappedFile file_;
    bool failed_ = false;
    long long open_ = 0, done_ = 0; // steps begun and not ended; steps taken
    long long released_ = 0;         // bytes before this left the process's memory
    long long prepared_ = 0;         // bytes before this are ready for writing
    RunJournal *outer_ = nullptr;
    QString lastSourceFolder_, lastTargetFolder_; // of the last transfer put down
};

// Makes a folder and its missing parents, putting down each one it makes.
bool makeRunFolder(const QString &path);
// A folder the run emptied: what was in it cannot come back.
void noteClearedFolder(const QString &folder);

// One step as the journal holds it.
struct JournalStep {
    enum class State { Begun, Done, Nothing };
    enum class Undo { Pending, Undone, Left };
    long long at = 0;
    ActionKind kind = ActionKind::Skip;    // as it turned out once done
    ActionKind begunAs = ActionKind::Skip; // Move for every step that takes the source away
    State state = State::Begun;
    Undo undo = Undo::Pending;
    int why = 0;          // for Left: the reason's number (see Undo.cpp)
    QString source;
    QStringList targets;  // where it went (as placed once done); the copies for a deleted source
    bool hasSourceStamp = false;
    raw::Info sourceStamp;
    raw::Info placed;     // once done
    QString target() const { return targets.value(0); }
};

// The last run's journal opened for undoing: its steps, and their undo marks
// written in place, so an interrupted undo goes on where it stopped.
class JournalReader {
public:
    bool open();
    std::vector<JournalStep> steps;
    void mark(JournalStep &s, JournalStep::Undo u, int why = 0);
    // Every step was handled: the journal goes.
    void spend();

private:
    raw::MappedFile file_;
};

} // namespace fd
