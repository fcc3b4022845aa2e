#include "dispatch/Undo.h"

#include "dispatch/Pace.h"
#include "dispatch/RunJournal.h"
#include "dispatch/Transfer.h"
#include "platform/NativeName.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace fd {

namespace {

using Undo = JournalStep::Undo;
using State = JournalStep::State;

enum Why {
    None,
    Overwritten,
    Cleared,
    CopyChanged,
    PlaceTaken,
    NotWhereLeft,
    FolderNotEmpty,
    Interrupted,
    SystemRefused,
    NoCopyLeft,
};

QString reasonText(int why)
{
    switch (why) {
    case Overwritten: return QStringLiteral("已覆盖同名文件，其原有内容无法恢复");
    case Cleared: return QStringLiteral("文件夹已被清空，其中原有文件无法恢复");
    case CopyChanged: return QStringLiteral("分发的副本此后已被修改或替换");
    case PlaceTaken: return QStringLiteral("原位置已有其他文件");
    case NotWhereLeft: return QStringLiteral("文件已不在分发后的位置");
    case FolderNotEmpty: return QStringLiteral("新建的文件夹中已有其他文件");
    case Interrupted: return QStringLiteral("分发中断时正在处理，无法确认");
    case SystemRefused: return QStringLiteral("系统拒绝操作");
    case NoCopyLeft: return QStringLiteral("源文件已删除，其副本均已改变");
    default: return QString();
    }
}

struct StepOutcome {
    Undo undo = Undo::Undone;
    int why = None;
};
constexpr StepOutcome kUndone{};
StepOutcome left(int why) { return {Undo::Left, why}; }

bool stampOf(const QString &path, raw::Info &i) { return raw::info(path, i, false); }

class Undoer {
public:
    explicit Undoer(std::vector<JournalStep> &steps)
    {
        QSet<QString> placedByRun;
        for (const JournalStep &s : steps) {
            // Where each copy stood when placed: a deleted source comes back from one.
            if (s.state == State::Done && s.begunAs == ActionKind::Copy)
                copies_.insert(s.target(), s.placed);
            if (s.kind == ActionKind::Delete && s.source.isEmpty())
                cleared_.insert(s.target()); // was there before the run: stays
            // Replacing the run's own earlier copy loses nothing of the user's.
            if (s.kind == ActionKind::Overwrite && !placedByRun.contains(s.target()))
                lostContent_.insert(s.at);
            if (s.state == State::Done && s.kind != ActionKind::MakeFolder && s.kind != ActionKind::Delete)
                placedByRun.insert(s.target());
        }
    }

    StepOutcome undo(const JournalStep &s)
    {
        if (s.kind == ActionKind::MakeFolder)
            return removeFolder(s.target());
        if (s.kind == ActionKind::Delete)
            return s.source.isEmpty() ? left(Cleared) : restoreSource(s);
        if (s.begunAs == ActionKind::Move)
            return moveBack(s);
        return removeCopy(s);
    }

private:
    StepOutcome removeFolder(const QString &folder)
    {
        if (cleared_.contains(folder) || !raw::occupied(folder) || raw::removeFolder(folder))
            return kUndone;
        return raw::isFolder(folder) && !raw::isEmptyFolder(folder) ? left(FolderNotEmpty) : left(SystemRefused);
    }

    // A copy goes only while it is still the file the run wrote.
    StepOutcome removeCopy(const JournalStep &s)
    {
        const QString &t = s.target();
        raw::Info now;
        if (s.state != State::Done) // killed with the copy under way: what is there is unknown
            return stampOf(t, now) ? left(Interrupted) : kUndone;
        if (lostContent_.contains(s.at))
            return left(Overwritten); // removing it would leave nothing at all
        if (consumed_.contains(t))
            return kUndone; // it became its source again
        if (!stampOf(t, now))
            return kUndone;
        if (!now.unchangedSince(s.placed))
            return left(CopyChanged);
        return raw::remove(t) ? kUndone : left(SystemRefused);
    }

    // True when the source is back: moved there, never replacing anything.
    static StepOutcome putBack(const QString &from, const QString &source)
    {
        raw::makePath(paths::folderOf(source));
        QString to = source;
        const TransferResult r = Move(from, to, Clash::Skip);
        if (r.copied)
            return kUndone;
        return r.failed ? left(SystemRefused) : left(PlaceTaken);
    }

    StepOutcome moveBack(const JournalStep &s)
    {
        const QString &t = s.target();
        raw::Info atSource, atTarget;
        const bool sourceThere = stampOf(s.source, atSource);
        const bool targetThere = stampOf(t, atTarget);
        if (s.state != State::Done) {
            // Killed around a rename: the file is the source's by its identity.
            if (!sourceThere && targetThere && s.hasSourceStamp && atTarget.sameFileAs(s.sourceStamp))
                return putBack(t, s.source);
            if (sourceThere && s.hasSourceStamp && atSource.sameFileAs(s.sourceStamp))
                return targetThere ? left(Interrupted) : kUndone; // a copy across disks may be there
            return targetThere || !sourceThere ? left(Interrupted) : kUndone;
        }
        const StepOutcome lost = lostContent_.contains(s.at) ? left(Overwritten) : kUndone;
        if (sourceThere && atSource.sameFileAs(s.placed))
            return lost; // back already
        if (sourceThere) {
            // Across disks the source goes in a later batch: a kill can leave it.
            if (s.hasSourceStamp && atSource.unchangedSince(s.sourceStamp) && !atSource.sameFileAs(s.placed)) {
                if (targetThere && atTarget.unchangedSince(s.placed) && !raw::remove(t))
                    return left(SystemRefused);
                return lost;
            }
            return left(PlaceTaken);
        }
        if (!targetThere || !atTarget.sameFileAs(s.placed))
            return left(NotWhereLeft);
        const StepOutcome back = putBack(t, s.source);
        return back.undo == Undo::Undone ? lost : back;
    }

    // A source deleted once all its copies were whole comes back from an unchanged copy.
    StepOutcome restoreSource(const JournalStep &s)
    {
        raw::Info now;
        if (stampOf(s.source, now))
            return s.hasSourceStamp && now.unchangedSince(s.sourceStamp) ? kUndone : left(PlaceTaken);
        for (const QString &copy : s.targets) {
            const auto placed = copies_.constFind(copy);
            raw::Info c;
            if (placed == copies_.cend() || !stampOf(copy, c) || !c.unchangedSince(*placed))
                continue;
            const StepOutcome back = putBack(copy, s.source);
            if (back.undo == Undo::Undone)
                consumed_.insert(copy);
            return back;
        }
        return left(NoCopyLeft);
    }

    QHash<QString, raw::Info> copies_;
    QSet<QString> consumed_;
    QSet<QString> cleared_;
    QSet<long long> lostContent_; // steps that replaced a file the run found there
};

// What a person should look for: the file left behind, else the step's folder.
QString leftBehind(const JournalStep &s)
{
    if (s.kind == ActionKind::Delete && !s.source.isEmpty())
        return s.source;
    return s.target();
}

void writeLeftList(const std::vector<JournalStep> &steps)
{
    const QString path = RunJournal::leftListPath();
    QByteArray text;
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        if (it->undo == Undo::Left)
            text += (displayName(leftBehind(*it)) + QStringLiteral("  ——  ") + reasonText(it->why)).toUtf8() + '\n';
    if (text.isEmpty()) {
        raw::remove(path);
        return;
    }
    const int fd = raw::createTruncated(path);
    if (fd < 0)
        return;
    for (qsizetype done = 0; done < text.size();) {
        const long long n = raw::write(fd, text.constData() + done, text.size() - done);
        if (n <= 0)
            break;
        done += qsizetype(n);
    }
    raw::close(fd);
}

bool counts(const JournalStep &s) { return s.state != State::Nothing; }

} // namespace

int undoableSteps()
{
    JournalReader j;
    if (!j.open())
        return 0;
    int n = 0;
    for (const JournalStep &s : j.steps)
        n += counts(s) && s.undo == Undo::Pending;
    return n;
}

UndoReport undoLastRun(const std::function<bool()> &stop)
{
    UndoReport r;
    JournalReader j;
    if (!j.open())
        return r;
    Undoer undoer(j.steps);
    r.complete = true;
    QSet<QString> stayed; // moved back by a copy whose original could not go
    {
        // Files put back across disks lose their other copy in batches, as in a run.
        TransferSession session([&](const QString &source, const QString &) { stayed.insert(source); });
        for (auto it = j.steps.rbegin(); it != j.steps.rend(); ++it) {
            if (!counts(*it) || it->undo != Undo::Pending)
                continue;
            if (stop && stop()) {
                r.complete = false;
                break;
            }
            const StepOutcome o = undoer.undo(*it);
            j.mark(*it, o.undo, o.why); // in place: a second undo after a kill goes on from here
            pace::ifDue();
        }
    }
    if (!stayed.isEmpty())
        for (JournalStep &s : j.steps)
            if (s.undo == Undo::Undone && s.begunAs != ActionKind::Copy
                && std::any_of(s.targets.cbegin(), s.targets.cend(), [&](const QString &t) { return stayed.contains(t); }))
                j.mark(s, Undo::Left, SystemRefused);
    // The counts cover an undo interrupted before, too.
    for (auto it = j.steps.rbegin(); it != j.steps.rend(); ++it) {
        if (!counts(*it))
            continue;
        if (it->undo == Undo::Undone)
            ++r.undone;
        if (it->undo == Undo::Left && ++r.left <= 5)
            r.firstLeft.append(displayName(leftBehind(*it)));
    }
    writeLeftList(j.steps);
    if (r.complete)
        j.spend();
    return r;
}

QString undoMessage(const UndoReport &r)
{
    QString text = QStringLiteral("已撤销 %1 项，未能撤销 %2 项").arg(r.undone).arg(r.left);
    if (!r.firstLeft.isEmpty()) {
        text += QStringLiteral("。\r\n未能撤销的文件：\r\n") + r.firstLeft.join(QStringLiteral("\r\n"));
        if (r.left > r.firstLeft.size())
            text += QStringLiteral("\r\n……");
        text += QStringLiteral("\r\n全部列表见：") + displayName(RunJournal::leftListPath());
    }
    return text;
}

} // namespace fd
