#include "dispatch/RunJournal.h"

#include "dispatch/FailureLog.h"
#include "dispatch/Transfer.h"
#include "platform/NativeName.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"

#include <cstring>

namespace fd {

namespace {

// Journals of the first layout (whole paths, each outcome in a record of its own)
// are still read.
constexpr char kMagic[8] = {'F', 'D', 'J', 'R', 'N', 'L', '2', '\0'};
constexpr char kFirstMagic[8] = {'F', 'D', 'J', 'R', 'N', 'L', '1', '\0'};
constexpr long long kFirstSize = 1LL << 20;
constexpr long long kLargestStep = 64LL << 20; // of growth
constexpr long long kKeptMapped = 8LL << 20;   // recent steps kept in memory
constexpr long long kPrepared = 256LL << 10; // a short run touches few pages

struct Head {
    char magic[8];
    quint64 used; // bytes of whole records, this head included
    quint32 finished;
    quint32 lost; // steps that could not be put down
    char reserved[40];
};
static_assert(sizeof(Head) == 64);

enum RecordType : quint8 { Begin = 1, Done = 2 };
// HasOutcome marks a transfer's Begin. Its source (target) may then hold only
// the name, in the folder of the last such Begin's source (target): a run takes
// most files from one folder and puts many in a row into another.
enum RecordFlag : quint16 { HasOutcome = 1, SourceInLastFolder = 2, TargetInLastFolder = 4 };

// Followed by the source's bytes and the target's, the whole padded to 8; then,
// with HasOutcome, a StepOutcome.
struct Record {
    quint32 size;
    quint8 type, kind, state, undo;
    quint8 why, hasStamp;
    quint16 flags;
    quint32 sourceBytes, targetBytes;
    quint32 reserved2;
    qint64 ref; // Done: the offset of its Begin
    quint64 device, number;
    qint64 fileSize, modifiedNs;
};
static_assert(sizeof(Record) == 64);

// A step that kept its target is marked done here, in its own record, instead of
// in a record of its own: the kind it turned out as, and the file then at the target.
struct StepOutcome {
    quint8 kind;
    quint8 reserved[7];
    quint64 device, number;
    qint64 fileSize, modifiedNs;
};
static_assert(sizeof(StepOutcome) == 40);

RunJournal *g_journal = nullptr;
QString g_folder;

Head *headOf(const raw::MappedFile &f) { return reinterpret_cast<Head *>(f.data()); }
Record *recordAt(const raw::MappedFile &f, long long at) { return reinterpret_cast<Record *>(f.data() + at); }
StepOutcome *stepOutcomeOf(const Record *r)
{
    return reinterpret_cast<StepOutcome *>(const_cast<char *>(reinterpret_cast<const char *>(r)) + r->size
                                       - sizeof(StepOutcome));
}

template <typename R> void putStamp(R *r, const raw::Info &i)
{
    r->device = i.device;
    r->number = i.number;
    r->fileSize = i.size;
    r->modifiedNs = i.modifiedNs;
}

template <typename R> raw::Info stampOf(const R *r)
{
    raw::Info i;
    i.device = r->device;
    i.number = r->number;
    i.size = r->fileSize;
    i.modifiedNs = r->modifiedNs;
    return i;
}

// Where the name begins in a path: after its last separator.
qsizetype nameStart(QStringView path) { return path.lastIndexOf(paths::sep()) + 1; }
qsizetype nameStart(const QByteArray &path) { return path.lastIndexOf(char(paths::sep().unicode())) + 1; }

QStringList decodeTargets(const char *p, quint32 n)
{
    QStringList out;
    for (const QByteArray &b : QByteArray(p, n).split('\0'))
        out.append(decodeFileName(b));
    return out;
}

} // namespace

RunJournal::RunJournal() : outer_(g_journal) { g_journal = this; }

RunJournal::~RunJournal()
{
    g_journal = outer_;
    if (!file_.isOpen())
        return;
    if (open_ + done_ == 0) { // nothing changed: no undo to offer
        file_.close();
        raw::remove(path());
        return;
    }
    Head *h = headOf(file_);
    h->finished = 1;
    file_.close(qint64(h->used));
}

RunJournal *RunJournal::current() { return g_journal; }

QString RunJournal::path()
{
    const QString folder = g_folder.isEmpty() ? paths::folderOf(FailureLog::path()) : g_folder;
    return paths::join(folder, QStringLiteral("分发撤销日志.dat"));
}

QString RunJournal::leftListPath()
{
    return paths::join(paths::folderOf(path()), QStringLiteral("未能撤销记录.txt"));
}

void RunJournal::setFolder(const QString &folder) { g_folder = folder; }

bool RunJournal::exists() { return raw::isFile(path()); }

bool RunJournal::ensureOpen()
{
    if (file_.isOpen())
        return true;
    if (failed_ || !file_.create(path(), kFirstSize)) {
        failed_ = true;
        return false;
    }
    if (TransferSession *t = TransferSession::current())
        t->protect(path()); // the run never moves its own journal
    Head *h = headOf(file_);
    std::memset(h, 0, sizeof(Head));
    std::memcpy(h->magic, kMagic, sizeof kMagic);
    h->used = sizeof(Head);
    return true;
}

RunJournal::Entry RunJournal::append(int type, ActionKind kind, const QString &sourcePath, const QString &targetPath,
                                     bool withOutcome)
{
    if (failed_ || !ensureOpen())
        return -1;
    // A transfer's paths in the folders of the last transfer's are put down by name.
    quint16 flags = withOutcome ? HasOutcome : 0;
    const qsizetype sourceName = nameStart(sourcePath), targetName = nameStart(targetPath);
    const bool sourceIn = withOutcome && sourceName > 0 && QStringView(sourcePath).left(sourceName) == lastSourceFolder_;
    const bool targetIn = withOutcome && targetName > 0 && QStringView(targetPath).left(targetName) == lastTargetFolder_;
    if (sourceIn)
        flags |= SourceInLastFolder;
    if (targetIn)
        flags |= TargetInLastFolder;
    const NativeBytes source(QStringView(sourcePath).mid(sourceIn ? sourceName : 0)),
        target(QStringView(targetPath).mid(targetIn ? targetName : 0));
    const long long size = ((qint64(sizeof(Record)) + source.size() + target.size() + 7) & ~7LL)
        + (withOutcome ? qint64(sizeof(StepOutcome)) : 0);
    const long long at = qint64(headOf(file_)->used);
    if (at + size > file_.size()) {
        const long long step = std::min(file_.size(), kLargestStep);
        if (!file_.grow(std::max(file_.size() + step, at + size))) {
            headOf(file_)->lost = 1; // a full disk: the run goes on, its undo is partial
            failed_ = true;
            return -1;
        }
    }
    if (at + size > prepared_) { // the next pages of records made ready at once
        prepared_ = std::min(std::max(prepared_, at) + kPrepared, file_.size());
        file_.prepare(at, prepared_);
    }
    Record *r = recordAt(file_, at);
    std::memset(r, 0, sizeof(Record));
    r->size = quint32(size);
    r->type = quint8(type);
    r->kind = quint8(kind);
    r->sourceBytes = quint32(source.size());
    r->targetBytes = quint32(target.size());
    char *p = file_.data() + at + sizeof(Record);
    std::memcpy(p, source.data(), size_t(source.size()));
    std::memcpy(p + source.size(), target.data(), size_t(target.size()));
    r->flags = flags;
    if (withOutcome) {
        std::memset(stepOutcomeOf(r), 0, sizeof(StepOutcome));
        if (!sourceIn)
            lastSourceFolder_ = sourcePath.left(sourceName);
        if (!targetIn)
            lastTargetFolder_ = targetPath.left(targetName);
    }
    // Counted only once whole: a kill in between leaves the record out.
    headOf(file_)->used = quint64(at + size);
    // A million steps would keep hundreds of megabytes in memory; steps are
    // looked at again only while recent.
    if (at + size - released_ > kKeptMapped * 2) {
        released_ = at + size - kKeptMapped;
        file_.releaseBefore(released_);
    }
    return at;
}

RunJournal::Entry RunJournal::begin(ActionKind kind, const QString &source, const QString &target)
{
    const bool transfer = !source.isEmpty() && (kind == ActionKind::Copy || kind == ActionKind::Move);
    const Entry e = append(Begin, kind, source, target, transfer);
    if (e >= 0)
        ++open_;
    return e;
}

void RunJournal::stampSource(Entry e, const raw::Info &source)
{
    if (e < 0 || !file_.isOpen())
        return;
    Record *r = recordAt(file_, e);
    putStamp(r, source);
    r->hasStamp = 1;
}

void RunJournal::done(Entry e, ActionKind kind, const QString &target, const raw::Info &placed)
{
    if (e < 0 || !file_.isOpen())
        return;
    Record *b = recordAt(file_, e);
    if (target.isEmpty() && (b->flags & HasOutcome)) {
        StepOutcome *o = stepOutcomeOf(b);
        o->kind = quint8(kind);
        putStamp(o, placed);
        b->state = quint8(JournalStep::State::Done); // last: a kill before leaves the step begun
        --open_;
        ++done_;
        return;
    }
    const Entry d = append(Done, kind, QString(), target, false);
    if (d < 0)
        return; // stays begun: undo treats it as interrupted
    Record *r = recordAt(file_, d);
    r->ref = e;
    putStamp(r, placed);
    recordAt(file_, e)->state = quint8(JournalStep::State::Done);
    --open_;
    ++done_;
}

void RunJournal::nothing(Entry e)
{
    if (e < 0 || !file_.isOpen())
        return;
    recordAt(file_, e)->state = quint8(JournalStep::State::Nothing);
    --open_;
}

void RunJournal::abandon()
{
    file_.close();
    failed_ = true;
}

bool makeRunFolder(const QString &path)
{
    RunJournal *j = RunJournal::current();
    if (!j)
        return raw::makePath(path);
    // The missing folders, outermost first.
    QStringList missing;
    for (QString p = paths::withoutTrailingSep(path); !p.isEmpty() && !raw::occupied(p);) {
        missing.prepend(p);
        const QString up = paths::withoutTrailingSep(paths::folderOf(p));
        if (up == p)
            break;
        p = up;
    }
    QList<RunJournal::Entry> entries;
    for (const QString &m : missing)
        entries.append(j->begin(ActionKind::MakeFolder, QString(), m));
    const bool made = raw::makePath(path);
    for (int k = 0; k < missing.size(); ++k) {
        raw::Info i;
        if (raw::info(missing[k], i, false) && i.folder)
            j->done(entries[k], ActionKind::MakeFolder, missing[k], i);
        else
            j->nothing(entries[k]);
    }
    return made;
}

void noteClearedFolder(const QString &folder)
{
    RunJournal *j = RunJournal::current();
    if (!j)
        return;
    raw::Info i;
    j->done(j->begin(ActionKind::Delete, QString(), folder), ActionKind::Delete, folder, i);
}

// ---- Reading it back -----------------------------------------------------------

bool JournalReader::open()
{
    steps.clear();
    if (!file_.open(RunJournal::path()))
        return false;
    if (file_.size() < qint64(sizeof(Head))
        || (std::memcmp(headOf(file_)->magic, kMagic, sizeof kMagic) != 0
            && std::memcmp(headOf(file_)->magic, kFirstMagic, sizeof kFirstMagic) != 0)) {
        file_.close();
        return false;
    }
    const long long used = std::min<long long>(qint64(headOf(file_)->used), file_.size());
    QHash<long long, size_t> byOffset;
    QByteArray sourceFolder, targetFolder; // of the last transfer's Begin
    for (long long at = sizeof(Head); at + qint64(sizeof(Record)) <= used;) {
        const Record *r = recordAt(file_, at);
        const qint64 outcome = (r->flags & HasOutcome) ? qint64(sizeof(StepOutcome)) : 0;
        if (r->size < sizeof(Record) || at + r->size > used
            || qint64(sizeof(Record)) + r->sourceBytes + r->targetBytes + outcome > r->size)
            break; // damaged: what came before still counts
        const char *p = file_.data() + at + sizeof(Record);
        if (r->type == Begin) {
            JournalStep s;
            s.at = at;
            s.kind = s.begunAs = ActionKind(r->kind);
            s.state = JournalStep::State(r->state);
            s.undo = JournalStep::Undo(r->undo);
            s.why = r->why;
            QByteArray source(p, r->sourceBytes), target(p + r->sourceBytes, r->targetBytes);
            if (outcome) {
                if (r->flags & SourceInLastFolder)
                    source.prepend(sourceFolder);
                if (r->flags & TargetInLastFolder)
                    target.prepend(targetFolder);
                sourceFolder = source.left(nameStart(source));
                targetFolder = target.left(nameStart(target));
            }
            if (!source.isEmpty())
                s.source = decodeFileName(source);
            s.targets = decodeTargets(target.constData(), quint32(target.size()));
            s.hasSourceStamp = r->hasStamp;
            if (s.hasSourceStamp)
                s.sourceStamp = stampOf(r);
            if (outcome && s.state == JournalStep::State::Done) {
                const StepOutcome *o = stepOutcomeOf(r);
                s.kind = ActionKind(o->kind);
                s.placed = stampOf(o);
            }
            byOffset.insert(at, steps.size());
            steps.push_back(std::move(s));
        } else if (r->type == Done && byOffset.contains(r->ref)) {
            JournalStep &s = steps[byOffset.value(r->ref)];
            s.kind = ActionKind(r->kind);
            s.state = JournalStep::State::Done;
            // A deleted source keeps its list of copies; no target: the one begun with.
            if (s.kind != ActionKind::Delete && r->targetBytes)
                s.targets = decodeTargets(p + r->sourceBytes, r->targetBytes);
            s.placed = stampOf(r);
        }
        at += r->size;
    }
    return true;
}

void JournalReader::mark(JournalStep &s, JournalStep::Undo u, int why)
{
    s.undo = u;
    s.why = why;
    if (!file_.isOpen())
        return;
    Record *r = recordAt(file_, s.at);
    r->why = quint8(why);
    r->undo = quint8(u);
}

void JournalReader::spend()
{
    file_.close();
    raw::remove(RunJournal::path());
}

} // namespace fd
