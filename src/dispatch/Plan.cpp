#include "dispatch/Plan.h"

#include "dispatch/DispatchMode.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/Port.h"
#include "platform/Clock.h"
#include "platform/NativeName.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"

#include <QLocale>
#include <QStorageInfo>
#include <algorithm>

namespace fd {

namespace {

QString parentOf(const QString &path) { return paths::withoutTrailingSep(paths::folderOf(path)); }
QString folderKey(const QString &folder) { return paths::withoutTrailingSep(folder); }

bool isCopyKind(ActionKind k) { return k == ActionKind::Copy || k == ActionKind::Rename || k == ActionKind::Overwrite; }

} // namespace

// ---- The rows -------------------------------------------------------------------

void ActionList::add(ActionKind kind, const QString &source, const QString &target, long long bytes, bool sourceGoes)
{
    if (!target.isEmpty() && kind != ActionKind::Delete)
        showFoldersOf(target);
    PlanRow row{Action{kind, source, target, sourceGoes}, bytes};
    if (isCopyKind(kind) && !sourceGoes) {
        if (source != lastSource_) {
            lastSource_ = source;
            lastCopies_.clear();
        }
        lastCopies_.append(int(rows.size()));
    }
    rows.append(std::move(row));
}

void ActionList::showFoldersOf(const QString &target)
{
    if (pendingSet_.isEmpty())
        return;
    QStringList chain;
    for (QString f = parentOf(target); pendingSet_.contains(f); f = parentOf(f)) {
        chain.prepend(f);
        pendingSet_.remove(f);
    }
    for (const QString &f : chain)
        rows.append(PlanRow{Action{ActionKind::MakeFolder, {}, f, false}, 0});
}

void ActionList::folderMade(const QString &folder)
{
    const QString f = folderKey(folder);
    if (!pendingSet_.contains(f)) {
        pending_.append(f);
        pendingSet_.insert(f);
    }
}

bool ActionList::folderDropped(const QString &folder) { return pendingSet_.remove(folderKey(folder)); }

QStringList ActionList::lastCopiesOf(const QString &source) const
{
    QStringList out;
    if (source == lastSource_)
        for (int i : lastCopies_)
            out.append(rows[i].action.target);
    return out;
}

void ActionList::sourceReleased(const QString &source)
{
    if (source != lastSource_ || lastCopies_.isEmpty())
        return;
    // The source leaves with its last copy.
    Action &last = rows[lastCopies_.last()].action;
    last.sourceGoes = true;
    if (last.kind == ActionKind::Copy)
        last.kind = ActionKind::Move;
    lastCopies_.clear();
    lastSource_.clear();
}

void ActionList::finish()
{
    for (const QString &f : std::exchange(pending_, {}))
        if (pendingSet_.remove(f))
            rows.append(PlanRow{Action{ActionKind::MakeFolder, {}, f, false}, 0});
}

ActionKind actionOf(const TransferResult &r, bool taken, bool clashRenamed, const QString &source,
                    const QString &target, bool move)
{
    if (!r.copied)
        return r.failed ? ActionKind::Fail : ActionKind::Skip;
    if (clashRenamed)
        return ActionKind::Rename;
    if (taken)
        return ActionKind::Overwrite;
    if (paths::lastComponent(source) != paths::lastComponent(target))
        return ActionKind::Rename;
    return move ? ActionKind::Move : ActionKind::Copy;
}

namespace {

void addTransferRow(ActionList &list, ActionKind kind, const QString &source, const QString &target, long long bytes,
                    bool move)
{
    list.add(kind, source, target, bytes, move && kind != ActionKind::Fail && kind != ActionKind::Skip);
}

// The files below a folder on the disk, first level first.
void filesBelow(const QString &folder, QStringList &out)
{
    const auto entries = raw::listFolder(folder);
    if (!entries)
        return;
    QStringList folders;
    for (const raw::Entry &e : *entries) {
        const QString path = paths::join(folder, e.name);
        if (e.kind == raw::Kind::Folder && !e.link)
            folders.append(path);
        else
            out.append(path);
    }
    for (const QString &f : folders)
        filesBelow(f, out);
}

// ---- Planning: nothing changes, the planned state is kept -------------------------

struct FileKey {
    unsigned long long device = 0, number = 0;
    bool operator==(const FileKey &o) const { return device == o.device && number == o.number; }
};

// What lies at a path as the plan sees it.
struct Seen {
    bool exists = false, folder = false, plain = false;
    bool mayNotReplace = false, own = false;
    FileKey id;
    long long size = 0;
    unsigned long long device = 0;
};

class PlanLayer : public FileLayer {
public:
    explicit PlanLayer(ActionList &list) : list_(list) {}

    bool planning() const override { return true; }

    TransferResult transfer(const QString &source, QString &destination, Clash clash, DiskFull, bool move) override
    {
        TransferResult r;
        if (source.isEmpty())
            return r;
        const Seen from = look(source);
        if (!from.exists || !from.plain) {
            list_.add(ActionKind::Skip, source, destination);
            return r;
        }
        auto fail = [&] {
            r.failed = true;
            list_.add(ActionKind::Fail, source, destination);
            return r;
        };
        if (move && from.own)
            return r.sourceFailed = true, fail();
        const Seen there = look(destination);
        bool renamed = false;
        if (there.exists) {
            const bool self = there.id == from.id && (there.plain || there.folder);
            switch (clashRule(there.folder, self, clash, [&] { return there.mayNotReplace; })) {
            case AtDestination::Fail: return fail();
            case AtDestination::Leave: list_.add(ActionKind::Skip, source, destination); return r;
            case AtDestination::Rename:
                destination = clashName(destination);
                while (look(destination).exists)
                    destination = nextClashName(destination);
                renamed = true;
                break;
            case AtDestination::Overwrite: break;
            }
        }
        const QString folder = parentOf(destination);
        if (!look(folder).folder)
            return fail();
        Seen placed;
        placed.exists = placed.plain = true;
        placed.size = from.size;
        placed.device = deviceOf(folder);
        placed.id = move ? from.id : FileKey{~0ULL, ++copies_};
        placed.mayNotReplace = move; // the only copy: no later file replaces it
        if (!there.exists || renamed)
            ++children_[folder];
        nodes_.insert(destination, placed);
        if (move)
            gone(source);
        r.copied = true;
        const long long bytes = move && placed.device == from.device ? 0 : from.size;
        addTransferRow(list_, actionOf(r, there.exists, renamed, source, destination, move), source, destination, bytes,
                       move);
        return r;
    }

    void releaseSource(const QString &source) override
    {
        const QStringList copies = list_.lastCopiesOf(source);
        if (copies.isEmpty())
            return;
        list_.sourceReleased(source);
        for (const QString &c : copies)
            if (nodes_.contains(c))
                nodes_[c].mayNotReplace = true;
        gone(source);
    }

    bool makePath(const QString &folder) override
    {
        QStringList missing;
        for (QString p = folderKey(folder); !p.isEmpty();) {
            const Seen s = look(p);
            if (s.exists) {
                if (!s.folder)
                    return false;
                break;
            }
            missing.prepend(p);
            const QString up = parentOf(p);
            if (up == p)
                break;
            p = up;
        }
        for (const QString &m : missing) {
            Seen f;
            f.exists = f.folder = true;
            f.device = deviceOf(parentOf(m));
            ++children_[parentOf(m)];
            nodes_.insert(m, f);
            list_.folderMade(m);
        }
        return true;
    }

    bool removeFolder(const QString &folder) override
    {
        const QString f = folderKey(folder);
        if (!look(f).folder || !isEmptyFolder(f))
            return false;
        gone(f);
        if (!list_.folderDropped(f))
            list_.add(ActionKind::Delete, {}, f);
        return true;
    }

    TreeRemoval removeTree(const QString &folder, const QString &inputFolder) override
    {
        TreeRemoval t{judgeTreeRemoval(folder, inputFolder), {}};
        const QString f = folderKey(folder);
        if (t.verdict.why != RemovalRefusal::None || !look(f).exists)
            return t;
        QStringList files;
        if (!underCleared(f) && !(nodes_.contains(f) && nodes_[f].exists))
            filesBelow(f, files);
        const QString below = paths::withTrailingSep(f);
        QStringList planned;
        for (auto it = nodes_.begin(); it != nodes_.end();) {
            if (it.key().startsWith(below)) {
                if (it->exists && !it->folder)
                    planned.append(it.key());
                it = nodes_.erase(it);
            } else {
                ++it;
            }
        }
        for (const QString &p : files)
            if (!nodes_.contains(p))
                list_.add(ActionKind::Delete, {}, p);
        for (const QString &p : planned)
            list_.add(ActionKind::Delete, {}, p);
        cleared_.append(f);
        gone(f);
        ++list_.foldersCleared;
        return t;
    }

    bool occupied(const QString &path) override { return look(path).exists; }
    bool folderExists(const QString &path) override { return look(folderKey(path)).folder; }

    bool isEmptyFolder(const QString &folder) override
    {
        const QString f = folderKey(folder);
        if (children_.value(f) > 0 || !look(f).folder)
            return false;
        return nodes_.contains(f) || underCleared(f) || raw::isEmptyFolder(f);
    }

    bool sameFile(const QString &a, const QString &b) override
    {
        const Seen x = look(a), y = look(b);
        return x.exists && y.exists && x.id == y.id;
    }

private:
    Seen look(const QString &path)
    {
        const auto it = nodes_.constFind(path);
        if (it != nodes_.constEnd())
            return *it;
        if (underCleared(path))
            return {};
        raw::Info self;
        if (!raw::info(path, self, false))
            return {};
        Seen s;
        s.exists = true;
        raw::Info f = self;
        if (self.link && !raw::info(path, f, true))
            return s; // a link leading nowhere
        s.folder = f.folder;
        s.plain = f.plain;
        s.id = {f.device, f.number};
        s.size = f.size;
        s.device = f.device;
        s.mayNotReplace = mayNotReplaceFile(self);
        s.own = isProgramFile(f);
        return s;
    }

    void gone(const QString &path)
    {
        const auto it = nodes_.find(path);
        if (it != nodes_.end() && it->exists) {
            auto c = children_.find(parentOf(path));
            if (c != children_.end() && *c > 0)
                --*c;
        }
        nodes_.insert(path, Seen{});
    }

    bool underCleared(const QString &path) const
    {
        for (const QString &c : cleared_)
            if (path == c || (path.startsWith(c) && path.at(c.size()) == paths::sep()))
                return true;
        return false;
    }

    // The device a new file of the folder lands on: that of its nearest existing folder.
    unsigned long long deviceOf(const QString &folder)
    {
        const auto it = devices_.constFind(folder);
        if (it != devices_.constEnd())
            return *it;
        unsigned long long d = 0;
        raw::Info i;
        for (QString p = folder; !p.isEmpty(); p = parentOf(p)) {
            if (raw::info(p, i, true)) {
                d = i.device;
                break;
            }
            if (parentOf(p) == p)
                break;
        }
        devices_.insert(folder, d);
        return d;
    }

    ActionList &list_;
    QHash<QString, Seen> nodes_; // planned: placed, made, or gone (exists false)
    QHash<QString, int> children_; // entries the plan added to a folder
    QHash<QString, unsigned long long> devices_;
    QStringList cleared_;
    unsigned long long copies_ = 0;
};

// ---- A run from a plan: acts, and records what it did -----------------------------

QString rowKey(const Action &a)
{
    return QString::number(int(a.kind)) + QChar(0) + a.source + QChar(0) + a.target;
}

class ObserveLayer : public FileLayer {
public:
    explicit ObserveLayer(const Plan &plan) : plan_(plan) {}

    bool planning() const override { return false; }

    TransferResult transfer(const QString &source, QString &destination, Clash clash, DiskFull onFull,
                            bool move) override
    {
        const QString wanted = destination;
        const bool taken = !source.isEmpty() && raw::occupied(destination);
        const TransferResult r = move ? moveOnDisk(source, destination, clash, onFull)
                                      : transferOnDisk(source, destination, clash, onFull);
        if (!source.isEmpty())
            addTransferRow(list, actionOf(r, taken, destination != wanted, source, destination, move), source,
                           destination, 0, move);
        return r;
    }

    void releaseSource(const QString &source) override
    {
        releaseSourceOnDisk(source);
        list.sourceReleased(source);
    }

    bool makePath(const QString &folder) override
    {
        QStringList missing;
        for (QString p = folderKey(folder); !p.isEmpty() && !raw::occupied(p);) {
            missing.prepend(p);
            const QString up = parentOf(p);
            if (up == p)
                break;
            p = up;
        }
        const bool ok = raw::makePath(folder);
        for (const QString &m : missing)
            if (raw::isFolder(m))
                list.folderMade(m);
        return ok;
    }

    bool removeFolder(const QString &folder) override
    {
        if (!raw::removeFolder(folder))
            return false;
        if (!list.folderDropped(folder))
            list.add(ActionKind::Delete, {}, folderKey(folder));
        return true;
    }

    TreeRemoval removeTree(const QString &folder, const QString &inputFolder) override
    {
        const QString f = folderKey(folder);
        const bool existed = raw::occupied(f);
        QStringList files;
        if (existed && judgeTreeRemoval(folder, inputFolder).why == RemovalRefusal::None)
            filesBelow(f, files);
        const TreeRemoval t = fd::removeTree(folder, inputFolder);
        if (existed && t.done()) {
            for (const QString &p : files)
                list.add(ActionKind::Delete, {}, p);
            ++list.foldersCleared;
        }
        return t;
    }

    bool occupied(const QString &path) override { return raw::occupied(path); }
    bool folderExists(const QString &path) override { return paths::folderExists(path); }
    bool isEmptyFolder(const QString &folder) override { return raw::isEmptyFolder(folder); }
    bool sameFile(const QString &a, const QString &b) override { return raw::sameFile(a, b); }

    // Actions done otherwise than planned, or planned and not done. The folders
    // follow from the files and are not counted.
    int differences() const
    {
        QHash<QString, int> planned;
        for (const PlanRow &r : plan_.list.rows)
            if (r.action.kind != ActionKind::MakeFolder)
                ++planned[rowKey(r.action)];
        int extra = 0;
        for (const PlanRow &r : list.rows) {
            if (r.action.kind == ActionKind::MakeFolder)
                continue;
            auto it = planned.find(rowKey(r.action));
            if (it != planned.end() && *it > 0)
                --*it;
            else
                ++extra;
        }
        int missing = 0;
        for (int n : std::as_const(planned))
            missing += n;
        return std::max(extra, missing);
    }

    ActionList list;
    bool noted = false;

private:
    const Plan &plan_;
};

ObserveLayer *g_observed = nullptr;

QString differedSentence(int n) { return QStringLiteral("有%1项操作与计划不同。").arg(n); }

// ---- Draws and answers ------------------------------------------------------------

class RecordingRandom : public Random {
public:
    RecordingRandom(Random &inner, QVector<double> &out) : inner_(inner), out_(out) {}
    double next() override
    {
        const double v = inner_.next();
        out_.append(v);
        return v;
    }

private:
    Random &inner_;
    QVector<double> &out_;
};

class ReplayRandom : public Random {
public:
    double next() override
    {
        if (!queue_.isEmpty())
            return queue_.takeFirst();
        return inner_ ? inner_->next() : 0.0;
    }
    void prepend(const QVector<double> &draws) { queue_ = draws + queue_; }
    void start(Random *inner, const QVector<double> &draws)
    {
        inner_ = inner;
        queue_ = draws;
    }

private:
    Random *inner_ = nullptr;
    QList<double> queue_;
};

ReplayRandom g_replay;

// Lets the plan's questions through and keeps their answers; nothing is launched.
class RecordingShell : public Shell {
public:
    explicit RecordingShell(QVector<AskedQuestion> &out) : inner_(shell()), out_(out) { setShell(this); }
    ~RecordingShell() override { setShell(&inner_); }
    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons, Answer def) override
    {
        const Answer a = inner_.message(text, title, icon, buttons, def);
        out_.append(AskedQuestion{false, text, a, {}});
        return a;
    }
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        const QString typed = inner_.input(prompt, title, defaultText);
        out_.append(AskedQuestion{true, prompt, Answer::Ok, typed});
        return typed;
    }
    QString chooseFolder(const QString &title, const QString &initial, bool newStyle) override
    {
        return inner_.chooseFolder(title, initial, newStyle);
    }
    void beep() override { inner_.beep(); }
    void openFolder(const QString &) override {}
    void showFileSelected(const QString &) override {}
    void openUrl(const QString &) override {}
    void openFile(const QString &) override {}
    void startProgram(const QString &, const QString &) override {}

private:
    Shell &inner_;
    QVector<AskedQuestion> &out_;
};

// Gives the plan's answers to the same questions again; asks the rest.
class ReplayShell : public Shell {
public:
    explicit ReplayShell(const QVector<AskedQuestion> &answers) : inner_(shell()), answers_(answers)
    {
        setShell(this);
    }
    ~ReplayShell() override { setShell(&inner_); }
    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons, Answer def) override
    {
        if (const AskedQuestion *q = take(false, text))
            return q->answer;
        return inner_.message(text, title, icon, buttons, def);
    }
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        if (const AskedQuestion *q = take(true, prompt))
            return q->typed;
        return inner_.input(prompt, title, defaultText);
    }
    QString chooseFolder(const QString &title, const QString &initial, bool newStyle) override
    {
        return inner_.chooseFolder(title, initial, newStyle);
    }
    void beep() override { inner_.beep(); }
    void openFolder(const QString &f) override { inner_.openFolder(f); }
    void showFileSelected(const QString &f) override { inner_.showFileSelected(f); }
    void openUrl(const QString &u) override { inner_.openUrl(u); }
    void openFile(const QString &f) override { inner_.openFile(f); }
    void startProgram(const QString &p, const QString &a) override { inner_.startProgram(p, a); }

private:
    const AskedQuestion *take(bool input, const QString &text)
    {
        for (int i = 0; i < answers_.size(); ++i) {
            if (!used_.contains(i) && answers_[i].input == input && answers_[i].text == text) {
                used_.insert(i);
                return &answers_[i];
            }
        }
        return nullptr;
    }
    Shell &inner_;
    const QVector<AskedQuestion> &answers_;
    QSet<int> used_;
};

// ---- The window as the plan sees it -------------------------------------------------

// Reads and progress go to the window; its locking, unlocking and final settings
// do not (the plan changes no switch), and the timer's ticks follow each other at once.
class PlanPort : public Port {
public:
    PlanPort(Port &w, Plan &plan) : w_(w), plan_(plan) {}
    void setRun(DispatchRun *run) { run_ = run; }

    CatalogueState &catalogue() override { return w_.catalogue(); }
    CatalogueModel &rows() override { return w_.rows(); }
    FileList &fileList() override { return w_.fileList(); }
    DrawPool &drawPool() override { return w_.drawPool(); }
    ModeSwitches modeSwitches() const override { return w_.modeSwitches(); }
    Clash clash() const override { return w_.clash(); }
    bool moving() const override { return w_.moving(); }
    bool sequential() const override { return w_.sequential(); }
    bool numeric() const override { return w_.numeric(); }
    int listOrderColumn() const override { return w_.listOrderColumn(); }
    bool ascending() const override { return w_.ascending(); }
    bool progressAsBar() const override { return w_.progressAsBar(); }
    bool walkSubfolders() const override { return w_.walkSubfolders(); }
    QString inputFolder() const override { return w_.inputFolder(); }
    QString outputFolder() const override { return w_.outputFolder(); }
    QString typeFilter() const override { return w_.typeFilter(); }
    QString fileCountText() const override { return w_.fileCountText(); }
    ShareSettings shares() const override { return w_.shares(); }
    long long commonCharacters() const override { return w_.commonCharacters(); }
    bool ignoreCase() const override { return w_.ignoreCase(); }
    NameRule nameRule() const override { return w_.nameRule(); }
    QString sameContentPattern() const override { return w_.sameContentPattern(); }
    bool onlyLastFolderInNames() const override { return w_.onlyLastFolderInNames(); }
    QVector<OutputFolder> outputFolders() const override { return w_.outputFolders(); }
    bool hasOutputFolder(const QString &path) const override { return w_.hasOutputFolder(path); }
    bool stopRequested() const override { return w_.stopRequested(); }
    int timedLowSeconds() const override { return w_.timedLowSeconds(); }
    int timedHighSeconds() const override { return w_.timedHighSeconds(); }

    QString title() const override { return w_.title(); }
    void setTitle(const QString &title) override { w_.setTitle(title); }
    QString savedTitle() const override { return w_.savedTitle(); }
    void saveTitle() override { w_.saveTitle(); }
    void setProgressPercent(int percent) override { w_.setProgressPercent(percent); }
    void setFileCountText(const QString &count) override { w_.setFileCountText(count); }
    void appendOutputFolder(const QString &path, const QString &name) override { w_.appendOutputFolder(path, name); }
    void showOutputRow(int row) override { w_.showOutputRow(row); }
    void showListOrder() override { w_.showListOrder(); }

    void lockForRun() override {}
    void beforeReport() override {}
    void unlockAfterRun(const RunEnding &) override {}
    void finalSettings(const RunEnding &) override {}
    void lockSweepSwitches() override {}
    void focusOutputButton() override { w_.focusOutputButton(); }
    void focusSameContentPattern() override { w_.focusSameContentPattern(); }
    void settleSameContentPattern() override { w_.settleSameContentPattern(); }

    void startTicks(int ms) override
    {
        if (ms >= 0)
            plan_.waitsMs.append(ms);
        ticking_ = true;
    }
    void stopTicks() override { ticking_ = false; }
    // Asked while the run waits for the ticks: they all come now.
    bool ticking() const override
    {
        while (ticking_ && run_ && !w_.stopRequested())
            timedTick(*run_);
        return false;
    }
    long long tickPosition() const override { return tick_; }
    void setTickPosition(long long p) override { tick_ = p; }

private:
    Port &w_;
    Plan &plan_;
    DispatchRun *run_ = nullptr;
    mutable bool ticking_ = false;
    long long tick_ = 0;
};

} // namespace

// ---- Planning and running ---------------------------------------------------------------

std::unique_ptr<Plan> makePlan(Port &port, const std::function<void(DispatchRun *)> &running)
{
    auto plan = std::make_unique<Plan>();
    plan->stamp = clock().now().time();
    PlanLayer layer(plan->list);
    FileLayer *outerLayer = fileLayer();
    setFileLayer(&layer);
    setClashStampTime(plan->stamp);
    Random *outerRandom = &random();
    RecordingRandom draws(*outerRandom, plan->draws);
    setRandom(&draws);
    {
        RecordingShell asked(plan->answers);
        PlanPort planPort(port, *plan);
        DispatchRun run(planPort);
        planPort.setRun(&run);
        running(&run);
        run.execute();
        running(nullptr);
    }
    setRandom(outerRandom);
    setClashStampTime(QTime());
    setFileLayer(outerLayer);
    plan->list.finish();
    replayDraws(plan->draws);
    return plan;
}

void replayDraws(const QVector<double> &draws)
{
    if (&random() == &g_replay) {
        g_replay.prepend(draws);
        return;
    }
    g_replay.start(&random(), draws);
    setRandom(&g_replay);
}

int runFromPlan(Port &port, const Plan &plan, const std::function<void(DispatchRun *)> &running)
{
    ObserveLayer layer(plan);
    FileLayer *outerLayer = fileLayer();
    setFileLayer(&layer);
    g_observed = &layer;
    setClashStampTime(plan.stamp);
    {
        ReplayShell replay(plan.answers);
        DispatchRun run(port);
        running(&run);
        run.execute();
        running(nullptr);
    }
    setClashStampTime(QTime());
    g_observed = nullptr;
    setFileLayer(outerLayer);
    layer.list.finish();
    const int n = layer.differences();
    if (n > 0 && !layer.noted)
        shell().message(differedSentence(n), QStringLiteral("消息"), Icon::Information, Buttons::Ok);
    return n;
}

QString planNote()
{
    if (!g_observed)
        return {};
    g_observed->noted = true;
    const int n = g_observed->differences();
    return n > 0 ? QStringLiteral("\r\n") + differedSentence(n) : QString();
}

// ---- Export ---------------------------------------------------------------------------

namespace {
QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}
} // namespace

QByteArray planCsv(const ActionList &list)
{
    QString out = QStringLiteral("序号,操作,源文件,目标\r\n");
    long long n = 0;
    for (const PlanRow &r : list.rows) {
        out += QString::number(++n) + QLatin1Char(',') + actionName(r.action.kind) + QLatin1Char(',')
             + csvField(displayName(r.action.source)) + QLatin1Char(',') + csvField(displayName(r.action.target))
             + QStringLiteral("\r\n");
    }
    return out.toUtf8();
}

bool writePlanCsv(const ActionList &list, const QString &path)
{
    const QByteArray bytes = planCsv(list);
    const int fd = raw::createTruncated(path);
    if (fd < 0)
        return false;
    long long done = 0;
    while (done < bytes.size()) {
        const long long n = raw::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    return raw::close(fd) && done == bytes.size();
}

// ---- The summary ------------------------------------------------------------------

PlanSummary Plan::summary() const
{
    PlanSummary s;
    QHash<QString, long long> byFolder; // bytes to write below each destination folder
    for (const PlanRow &r : list.rows) {
        const Action &a = r.action;
        switch (a.kind) {
        case ActionKind::Copy: ++s.copies; break;
        case ActionKind::Move: ++s.moves; break;
        case ActionKind::Rename: ++s.renames; break;
        case ActionKind::Overwrite: ++s.replacements; break;
        case ActionKind::Skip: ++s.skips; break;
        case ActionKind::Fail: ++s.failures; break;
        case ActionKind::MakeFolder: ++s.foldersMade; break;
        case ActionKind::Delete: ++s.deletions; break;
        }
        if (!a.source.isEmpty())
            ++s.files;
        if (r.bytes > 0) {
            s.bytes += r.bytes;
            byFolder[parentOf(a.target)] += r.bytes;
        }
    }
    s.foldersCleared = list.foldersCleared;
    // Free space per file system, from the nearest folder that exists now.
    QHash<QString, long long> byVolume, freeOf;
    QHash<QString, QString> volumeOfFolder;
    for (auto it = byFolder.cbegin(); it != byFolder.cend(); ++it) {
        QString p = it.key();
        while (!p.isEmpty() && !paths::folderExists(p) && parentOf(p) != p)
            p = parentOf(p);
        const QStorageInfo volume(p);
        const QString root = volume.rootPath();
        byVolume[root] += it.value();
        freeOf.insert(root, volume.isValid() ? volume.bytesAvailable() : -1);
    }
    for (auto it = byVolume.cbegin(); it != byVolume.cend(); ++it)
        if (freeOf.value(it.key()) >= 0 && freeOf.value(it.key()) < it.value())
            s.spaceSuffices = false;
    return s;
}

QString PlanSummary::text() const
{
    const QString size = QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
    return QStringLiteral("共%1个文件：复制%2，移动%3，改名%4，覆盖%5，跳过%6，失败%7；新建文件夹%8，清空文件夹%9；"
                          "需写入%10，目标磁盘剩余空间%11。")
        .arg(files)
        .arg(copies)
        .arg(moves)
        .arg(renames)
        .arg(replacements)
        .arg(skips)
        .arg(failures)
        .arg(foldersMade)
        .arg(foldersCleared)
        .arg(size, spaceSuffices ? QStringLiteral("足够") : QStringLiteral("不足"));
}

} // namespace fd
