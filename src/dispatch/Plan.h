#pragma once
// The plan of a run: the real run against a file layer that records instead of
// acting, and the run started from it, which replays the plan's answers, random
// draws and clash time so that it does what the plan shows.
#include "dispatch/Action.h"
#include "dispatch/FileLayer.h"
#include "platform/Shell.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTime>
#include <QVector>
#include <functional>
#include <memory>

namespace fd {

class DispatchRun;
class Port;

struct PlanRow {
    Action action;
    long long bytes = 0; // written at the destination
};

// A run's steps in order. A folder made shows once, before the first file that
// goes into it, or at the end when nothing does; one removed again before that
// never shows.
class ActionList {
public:
    void add(ActionKind kind, const QString &source, const QString &target, long long bytes = 0,
             bool sourceGoes = false);
    void folderMade(const QString &folder);
    // True when the folder was made by the run and had not shown yet.
    bool folderDropped(const QString &folder);
    // Where the copies made last of this source went (none when another was copied since).
    QStringList lastCopiesOf(const QString &source) const;
    // The copies made last of this source complete its move.
    void sourceReleased(const QString &source);
    void finish();

    QVector<PlanRow> rows;
    int foldersCleared = 0;

private:
    void showFoldersOf(const QString &target);
    QStringList pending_;
    QSet<QString> pendingSet_;
    QString lastSource_;
    QVector<int> lastCopies_;
};

// What became of one transfer, as a row shows it.
ActionKind actionOf(const TransferResult &r, bool taken, bool clashRenamed, const QString &source,
                    const QString &target, bool move);

// A question the plan asked and its answer, given again by the run.
struct AskedQuestion {
    bool input = false;
    QString text;
    Answer answer = Answer::Ok;
    QString typed;
};

struct PlanSummary {
    long long files = 0, copies = 0, moves = 0, renames = 0, replacements = 0, skips = 0, failures = 0;
    long long foldersMade = 0, foldersCleared = 0, deletions = 0;
    long long bytes = 0;
    bool spaceSuffices = true;
    QString text() const;
};

struct Plan {
    ActionList list;
    QTime stamp;            // the time clash names carry
    QVector<double> draws;  // the random sequence the plan used
    QVector<AskedQuestion> answers;
    QVector<int> waitsMs;   // timed dispatch: the pauses between its batches
    PlanSummary summary() const;
};

// The rows as UTF-8 CSV, with the header 序号,操作,源文件,目标.
QByteArray planCsv(const ActionList &list);
// Writes it to path; false when it could not be written whole.
bool writePlanCsv(const ActionList &list, const QString &path);

// Works the run out against the window's port without changing anything on the
// disk or in the window's switches; running tells of the run under way (null at the end).
std::unique_ptr<Plan> makePlan(Port &port, const std::function<void(DispatchRun *)> &running);

// Runs as the plan showed. Answers the count of actions that went otherwise.
int runFromPlan(Port &port, const Plan &plan, const std::function<void(DispatchRun *)> &running);

// While a run from a plan is reporting: the sentence telling how many actions
// differed from the plan (empty when none); the run then does not tell it again.
QString planNote();

// The draws after the plan repeat the plan's, so that closing a plan leaves the
// random sequence as it was and a run from it draws the same.
void replayDraws(const QVector<double> &draws);

} // namespace fd
