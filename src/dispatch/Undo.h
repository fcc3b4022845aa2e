#pragma once
// Taking back the last run, from its journal (dispatch/RunJournal.h).
#include <QString>
#include <QStringList>
#include <functional>

namespace fd {

// Steps of the last run not yet taken back; 0 without a journal.
int undoableSteps();

struct UndoReport {
    int undone = 0, left = 0;
    QStringList firstLeft; // the first files left behind, as a person reads them
    bool complete = false; // false when stopped: undoing again goes on from there
};

// Takes back the last run, latest step first, asking stop between steps. Never
// replaces a file, and removes only what the run made and nobody changed since;
// the rest is listed in RunJournal::leftListPath().
UndoReport undoLastRun(const std::function<bool()> &stop = {});
// The closing message: the counts and the first files left behind.
QString undoMessage(const UndoReport &r);

} // namespace fd
