// The dispatch button: checks, questions, locking, catalogue refresh, the two
// loop styles, the report and the unlocking. The distribution rules live in
// their own files behind DispatchMode.
#include "dispatch/DispatchRun.h"

#include "app/FDispatch.h"
#include "app/TextNumbers.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/FileList.h"
#include "catalogue/Sorting.h"
#include "dispatch/Pace.h"
#include "outputs/FlexGrid.h"
#include "outputs/Walk.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "update/UpdateNotice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <cmath>

namespace fd {

namespace {

const QString kTitle = QStringLiteral("消息");

bool on(const QCheckBox *c) { return c->isChecked(); }

} // namespace

DispatchRun::DispatchRun(FDispatch &w) : w(w) {}
DispatchRun::~DispatchRun() = default;

QString DispatchRun::tag() const { return w.windowTag(); }
QString DispatchRun::inFolder() const { return w.LDir->caption(); }
QString DispatchRun::outFolder() const { return w.LDirOut->caption(); }
long long DispatchRun::fileCount() const { return textnum::wholeValue(w.LFiles->caption()); }
bool DispatchRun::moving() const { return on(w.ChBackUp); }

TransferResult DispatchRun::transfer(const QString &source, QString &destination)
{
    return Transfer(source, destination, clashPolicy(w));
}

TransferResult DispatchRun::move(const QString &source, QString &destination)
{
    return Move(source, destination, clashPolicy(w));
}

void DispatchRun::recordFailure(const QString &source, const QString &destination)
{
    ++failureCount;
    log.add(source, destination);
}

DispatchMode &DispatchRun::passMode()
{
    const ModeChoice c = selectMode(w);
    return mode(c.timed ? ModeKind::Timed : c.file);
}

void DispatchRun::execute()
{
    lock();
    if (const auto end = runMode().replaceRun(*this, Stage::BeforeCatalogue)) {
        epilogue(*end);
        return;
    }
    if (fileCount() > w.File1->listCount() || runMode().rebuildsCatalogue()) {
        rebuildCatalogue();
    } else if (const auto end = prepareWithoutRebuild()) {
        epilogue(*end);
        return;
    }
    // 12. Share folders.
    w.LFiles->setCaption(QString::number(lastIndex + 1));
    passMode().prepare(*this);
    epilogue(passes().value_or(RunEnd::Report));
}

void DispatchRun::lock()
{
    for (QWidget *c : std::initializer_list<QWidget *>{w.CmdDo, w.CmdOut, w.CmdIn, w.Opt1, w.Opt2, w.Opt3,
                                                       w.Combo1, w.TDivs, w.TNum, w.Frame1, w.Frame2,
                                                       w.Frame3, w.ChRndDraw})
        c->setEnabled(false);
    w.setWindowTag(w.windowTitle());
    lastIndex = fileCount() - 1;
    w.File1->refresh([] { pace::ifDue(); });
    if (on(w.ChNum) && on(w.ChN))
        w.cat.runList.clear();
}

// Long lists are cut into slices between which the window processes its messages.
void DispatchRun::useSplitPaths() { w.cat.splitPaths = splitAtNul(w.cat.pathList, false, [] { pace::ifDue(); }); }

bool DispatchRun::sequentialByView() const { return on(w.ChNum) && w.CombOrder->currentIndex() >= 2; }

// 10. The catalogue holds files of subfolders (or the rule wants it fresh): read it anew.
void DispatchRun::rebuildCatalogue()
{
    w.cat.count = 0;
    w.cat.pathList.clear();
    w.catalogue->clear();
    WalkFolder(w, inFolder());
    w.setWindowTitle(tag() + QStringLiteral("  目标文件读取完毕，即将分发"));
    PauseSeconds(1.0f);
    w.setWindowTitle(tag());
    useSplitPaths();
    lastIndex = sequentialByView() ? w.catalogue->count() - 1 : w.cat.splitPaths.size() - 1;
    if (!(on(w.ChNum) && on(w.ChN)))
        w.cat.runList = QVector<RunEntry>(qMax<long long>(lastIndex + 1, 0));
    reloaded = true;
}

// 11. An answer sends the run straight to that step.
std::optional<RunEnd> DispatchRun::prepareWithoutRebuild()
{
    w.cat.pathList.clear();
    const long long n = fileCount();
    w.cat.runList = QVector<RunEntry>(n >= 0 && n < 100000000 ? n : 10001);
    w.setWindowTag(w.windowTitle());
    if (const auto end = runMode().replaceRun(*this, Stage::InsteadOfScan))
        return end;
    w.cat.count = 0;
    w.catalogue->clear();
    w.cat.treeWalk = true;
    const bool scans = fileRule().scansInput();
    if (scans)
        WalkFolder(w, inFolder());
    w.cat.treeWalk = false;
    w.setWindowTitle(tag());
    if (sequentialByView()) {
        lastIndex = w.catalogue->count() - 1;
    } else if (scans) {
        useSplitPaths();
        lastIndex = w.cat.splitPaths.size() - 1;
    }
    return std::nullopt;
}

void DispatchRun::progress(long long i, const QString &text)
{
    const long long total = lastIndex + 1;
    if (!on(w.ChProg))
        w.setWindowTitle(tag() + text + QString::number(i + 1) + QLatin1Char('/') + QString::number(total));
    else if (total > 0)
        w.P1->setValue(int(std::nearbyint(double(i + 1) * 100.0 / double(total))));
}

// The window processes its messages when about 10 ms have passed (and at the
// first and the last file); the progress text is set just before, when it will
// be painted, and names the file about to go.
bool DispatchRun::turnDue(long long i) const { return i == 0 || i >= lastIndex || pace::due(); }

void DispatchRun::turn(long long i, const QString &text)
{
    progress(i, text);
    pace::now();
}

// After the last file of a pass the window processes its messages once more;
// false when the window is closing.
bool DispatchRun::lastTurn(bool any)
{
    if (any)
        pace::now();
    return !w.stopRequested;
}

RunEnd DispatchRun::stop()
{
    stopped = true;
    return RunEnd::CloseLog;
}

// 13 to 16. An answer other than the report ends the run early.
std::optional<RunEnd> DispatchRun::passes()
{
    bool forceDirect = false;
    for (;;) {
        const ModeChoice c = selectMode(w);
        directPicking = forceDirect
            || directPickingFor(c.customFolders, c.folderFromName, on(w.ChNum), on(w.ChN), lastIndex);
        if (directPicking) {
            failureCount = 0;
            log.open();
            fileRule().startLoop(*this);
        }
        const auto slices = [] { pace::ifDue(); };
        if (on(w.ChNum) && on(w.ChN))
            sortListOnNumber(w, slices);
        if (sequentialByView())
            applyListOrder(w, slices); // what the OptA click rule does: the chosen key and direction

        w.catalogue->sortIfNeeded(slices);

        const RunEnd first = firstPass();
        if (first != RunEnd::Report)
            return first;
        const ModeChoice after = selectMode(w);
        if (directPicking && !after.timed) {
            log.close();
            return RunEnd::Report;
        }
        directPicking = false;
        const bool shuffle = ((!after.customFolders && !after.folderFromName) || after.timed) && !on(w.ChNum);
        if (shuffle && !SortRunList(w, w.cat.runList, lastIndex) && !after.timed) {
            forceDirect = true;
            continue;
        }
        break;
    }
    if (const auto end = passMode().betweenPasses(*this))
        return end;
    failureCount = 0;
    log.open();
    fileRule().startLoop(*this);
    return secondPass();
}

QString DispatchRun::preparedSource(long long i) const
{
    if (reloaded || on(w.ChRndTime))
        return w.cat.splitPaths.value(i);
    return paths::join(w.File1->path(), w.File1->list(int(i)));
}

RunEnd DispatchRun::firstPass()
{
    bool any = false;
    for (long long i = 0; i <= lastIndex; ++i) {
        if (selectMode(w).sameContent)
            break;
        any = true;
        if (turnDue(i))
            turn(i, passMode().firstPassPhrase(*this));
        if (i > 0 && w.stopRequested) // the window is closing: stop after a file
            return stop();
        long long key = 0;
        if (!on(w.ChNum))
            key = (long long)std::floor(rnd() * 2.0 * double(lastIndex + 1));
        // Timed dispatch always fills the list: its ticks hand the files out.
        if (!on(w.ChRndTime) && (directPicking || on(w.ChNum))) {
            if (!dispatchOne(pickNext(i), i))
                return RunEnd::CloseLog;
        } else if (i < w.cat.runList.size()) {
            w.cat.runList[i] = RunEntry{preparedSource(i), QString::number(key)};
        }
    }
    return lastTurn(any) ? RunEnd::Report : stop();
}

std::optional<RunEnd> DispatchRun::secondPass()
{
    bool any = false;
    for (long long i = 0; i <= lastIndex; ++i) {
        any = true;
        lastTransferOk = true;
        if (turnDue(i))
            turn(i, passMode().secondPassPhrase(*this));
        if (i > 0 && w.stopRequested) // the window is closing: stop after a file
            return stop();
        if (!dispatchOne(i < w.cat.runList.size() ? w.cat.runList[i].path : QString(), i))
            return RunEnd::CloseLog;
        if (selectMode(w).sameContent)
            break;
    }
    return lastTurn(any) ? RunEnd::Report : stop();
}

QString DispatchRun::pickNext(long long i)
{
    if (on(w.ChNum) && (on(w.ChN) || sequentialByView())) {
        if (i >= w.catalogue->count())
            return QString();
        return w.catalogue->text(int(i), 7) + w.catalogue->text(int(i), 0);
    }
    if (!pickerReady_) {
        picker_ = DirectPicker(splitPathList(w.cat.pathList, [] { pace::ifDue(); }));
        pickerReady_ = true;
    }
    return on(w.ChNum) ? picker_.takeNext() : picker_.takeRandom(rnd());
}

// The rule is chosen anew for every file: its switches are not locked.
bool DispatchRun::dispatchOne(const QString &source, long long i)
{
    if (!fileRule().dispatchOne(*this, source, i)) {
        stopped = true;
        return false;
    }
    return true;
}

void DispatchRun::epilogue(RunEnd from)
{
    const ModeChoice c = selectMode(w);
    if (from == RunEnd::Report) {
        w.MSFlexGrid1->setEnabled(false);
        if (!c.sweep) {
            if (!w.windowTitle().contains(QStringLiteral("目标文件")))
                CompletionReport(w, failureCount);
            else
                deferredReport_ = true;
        }
    }
    if (from != RunEnd::Unlock) {
        log.close();
        for (auto &m : modes_)
            if (m)
                m->finish(*this);
    }
    log.close();
    // 19. Unlocking, first part.
    w.File1->refresh([] { pace::ifDue(); });
    w.setWindowTitle(tag());
    w.setEnabled(true);
    if (on(w.ChBackUp))
        w.LFiles->setCaption(QStringLiteral("0"));
    w.ChBackUp->setChecked(false);
    if (c.draw) {
        if (!stopped)
            shell().openFolder(c.manual ? outFolder() : paths::join(outFolder(), QStringLiteral("随机抽取文件集")));
    } else {
        if (!c.customFolders && !w.stopRequested && !folderShown)
            shell().openFolder(outFolder());
        setOption(w.Opt1, true);
    }
    // 20. Unlocking, second part.
    w.ChRndTime->setChecked(false);
    w.Timer1->stop();
    for (QWidget *x : std::initializer_list<QWidget *>{w.CmdDo, w.CmdOut, w.CmdIn, w.Opt1, w.Opt2, w.Opt3,
                                                       w.Combo1, w.TDivs, w.TNum, w.Frame1, w.Frame2})
        x->setEnabled(true);
    w.ChProg->setChecked(false);
    w.P1->setValue(0);
    for (QWidget *x : std::initializer_list<QWidget *>{w.CmdIn, w.CmdOut, w.Opt1, w.Opt2, w.Opt3, w.Frame1,
                                                       w.Combo1, w.TParts, w.TDivs})
        x->setEnabled(true);
    if (!c.sweep && !c.draw && deferredReport_)
        CompletionReport(w, failureCount);
    // 21. Final settings.
    w.ChFJ->setChecked(false);
    w.ChFJ->setEnabled(true);
    w.ChBig->setEnabled(true);
    w.MSFlexGrid1->setEnabled(true);
    w.ChOvewr->setChecked(true);
    if (c.draw)
        mode(c.manual ? ModeKind::Manual : ModeKind::RandomDraw).afterUnlock(*this);
    w.ChRndDraw->setEnabled(true);
}

void FDispatch::wireDispatch()
{
    connect(CmdDo, &QPushButton::clicked, this, [this] { CmdDo_Click(); });
    connect(ChNum, &QCheckBox::toggled, this, [this] { ChNum_Click(); });
    connect(ChInClude, &QCheckBox::toggled, this, [this] { ChInClude_Click(); });
    connect(ChOverLay, &QCheckBox::toggled, this, [this] { ChOverLay_Click(); });
    wireSameContent();
    connect(ChRndDraw, &QCheckBox::toggled, this, [this] { ChRndDraw_Click(); });
    connect(ChMamal, &QCheckBox::toggled, this, [this] { ChMamal_Click(); });
    connect(ChRndTime, &QCheckBox::toggled, this, [this] { ChRndTime_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    // The pool belongs to the input folder it was read from.
    connect(LDir, &CaptionLabel::captionChanged, this, [this] { draw.paths.clear(); });
}

void FDispatch::ChNum_Click()
{
    CombOrder->setCurrentIndex(0);
    if (ChNum->isChecked()) {
        Frame3->setEnabled(true);
    } else {
        Frame3->setEnabled(false);
        catalogue->clear();
    }
}

void FDispatch::CmdDo_Click()
{
    if (dispatchRun)
        return; // one run at a time
    // 1. Update pending.
    if (updateBlocksDispatch(*this)) {
        CmdUpdate->setFocus();
        shell().beep();
        return;
    }
    // 3. Missing output folders.
    const ModeChoice c = selectMode(*this);
    const bool gridEmpty = MSFlexGrid1->rows() == 1;
    if (c.sameContent && gridEmpty) {
        shell().message(QStringLiteral("您尚未指定要将文件分发到哪个主目录下的系列子文件中！请先添加分发输出所在的主目录！"),
                        kTitle, Icon::Critical, Buttons::Ok);
        CmdOut->setFocus();
        return;
    }
    if (!c.customOnly && c.customFolders && !c.folderFromName && !c.sweep && gridEmpty) {
        shell().beep();
        CmdDo->setEnabled(false);
        return;
    }
    // A rule that cannot work with this setup refuses before anything changes.
    for (ModeKind k : {c.run, c.file}) {
        if (!makeMode(k)->readyToStart(*this))
            return;
        if (c.file == c.run)
            break;
    }
    // 4. Preview advice.
    if (ChFoldTrunck->isChecked() && !ChTrunck->isChecked() && !ChFJ->isChecked()
        && LFoldName->caption() == tagOf(LFoldName)) {
        if (shell().message(QStringLiteral("强烈建议先预览新建文件夹后再分发。要继续吗？"), kTitle, Icon::Information,
                            Buttons::OkCancel, Answer::Cancel)
            != Answer::Ok)
            return;
    }
    // 5.
    setTag(Timer1, QStringLiteral("0"));
    // 6. Move question.
    if (ChBackUp->isChecked() && !ChFJ->isChecked()) {
        if (shell().message(QStringLiteral("在分发的同时移走原文件？"), kTitle, Icon::Information, Buttons::OkCancel,
                            Answer::Cancel)
            != Answer::Ok)
            ChBackUp->setChecked(false);
    }
    UpdateLockDuringRun noUpdate(*this); // an update would end the program mid-run
    LongOperation busy(*this);
    DispatchRun run(*this);
    dispatchRun = &run;
    // 7. Relative part.
    run.relative = relativePart(LDir->caption(), Option2->isChecked());
    run.execute();
    dispatchRun = nullptr;
}

} // namespace fd
