#include "dispatch/Plan.h"

#include "dispatch/DispatchMode.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/PlanLayers.h"
#include "dispatch/Port.h"
#include "platform/Clock.h"
#include "platform/NativeName.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"

#include <QStorageInfo>

namespace fd {

namespace {

QString parentOf(const QString &path) { return paths::withoutTrailingSep(paths::folderOf(path)); }

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
    const std::unique_ptr<FileLayer> layer = planningLayer(plan->list);
    FileLayer *outerLayer = fileLayer();
    setFileLayer(layer.get());
    setClashStampTime(plan->stamp);
    Random *outerRandom = &random();
    RecordingRandom draws(*outerRandom, plan->draws);
    setRandom(&draws);
    {
        RecordingShell asked(plan->answers);
        PlanPort planPort(port, *plan);
        DispatchRun run(planPort);
        run.keepsJournal = false; // nothing is done, nothing to undo
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
    QString size = QStringLiteral("%1字节").arg(bytes);
    double v = double(bytes);
    for (const char *unit : {"KB", "MB", "GB", "TB"}) {
        if (v < 1024)
            break;
        v /= 1024;
        size = QString::number(v, 'f', 1) + QLatin1String(unit);
    }
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
