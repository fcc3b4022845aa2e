// The dispatch button: checks, questions, locking, catalogue refresh, the two
// loop styles, the distribution rules, the report and the unlocking.
#include "app/FDispatch.h"

#include "app/TextNumbers.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/FileList.h"
#include "catalogue/Sorting.h"
#include "dispatch/FailureLog.h"
#include "dispatch/ModeHooks.h"
#include "dispatch/Rules.h"
#include "dispatch/RunState.h"
#include "dispatch/Transfer.h"
#include "outputs/FlexGrid.h"
#include "outputs/Walk.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <cmath>

namespace fd {

ModeHooks &modeHooks()
{
    static ModeHooks h;
    return h;
}

namespace {

const QString kTitle = QStringLiteral("消息");


long long wholeValue(const QString &text)
{
    const double v = textnum::valueOf(text);
    if (!std::isfinite(v) || v > 9e15 || v < -9e15)
        return 0;
    return (long long)std::floor(v);
}

bool on(const QCheckBox *c) { return c->isChecked(); }

// A mode the setup selects whose rules this build does not have; "" when none.
QString unavailableMode(FDispatch &w)
{
    const ModeHooks &h = modeHooks();
    const bool opt3 = w.Opt3->isChecked();
    if (on(w.ChFJ) && !h.sweep)
        return w.ChFJ->text();
    if (on(w.ChRndTime) && !h.timedStart)
        return w.ChRndTime->text();
    if (opt3 && on(w.ChCustom) && w.CmbCustom->currentIndex() == 0 && !h.customOnlyReady)
        return w.ChCustom->text();
    if (opt3 && !on(w.ChInClude) && !on(w.ChOverLay)) {
        if (on(w.ChFoldTrunck) && !h.placeInNamedFolder)
            return w.ChFoldTrunck->text();
        if (!on(w.ChFoldTrunck) && on(w.ChSame) && !h.sameContent)
            return w.ChSame->text();
    }
    return QString();
}

void refuseMode(const QString &mode)
{
    shell().message(QStringLiteral("此分发方式尚未提供：") + mode + QStringLiteral("。本次未分发任何文件。"),
                    kTitle, Icon::Warning, Buttons::Ok);
}

class Run {
public:
    Run(FDispatch &w, FDispatch::DispatchRunState &st) : w(w), st(st) {}

    void execute()
    {
        lock();
        if (on(w.ChFJ)) {
            sweep();
            epilogue(17);
            return;
        }
        if (wholeValue(w.LFiles->caption()) > w.File1->listCount() || on(w.ChRndTime)) {
            rebuildCatalogue();
        } else if (!prepareWithoutRebuild()) {
            epilogue(19);
            return;
        }
        // 12. Share folders.
        w.LFiles->setCaption(QString::number(st.lastIndex + 1));
        if (!w.Opt3->isChecked() && !on(w.ChRndTime))
            prepareFolders();
        const int from = passes();
        epilogue(from);
    }

private:
    FDispatch &w;
    FDispatch::DispatchRunState &st;

    QString tag() const { return w.windowTag(); }
    QString outFolder() const { return w.LDirOut->caption(); }
    QString inFolder() const { return w.LDir->caption(); }

    void lock()
    {
        for (QWidget *c : std::initializer_list<QWidget *>{w.CmdDo, w.CmdOut, w.CmdIn, w.Opt1, w.Opt2, w.Opt3,
                                                           w.Combo1, w.TDivs, w.TNum, w.Frame1, w.Frame2,
                                                           w.Frame3, w.ChRndDraw})
            c->setEnabled(false);
        w.setWindowTag(w.windowTitle());
        st.lastIndex = wholeValue(w.LFiles->caption()) - 1;
        w.File1->refresh();
        if (on(w.ChNum) && on(w.ChN))
            w.runList.clear();
    }

    void sweep()
    {
        w.ChFJ->setEnabled(false);
        w.ChBig->setEnabled(false);
        const QString a = shell().input(
            QStringLiteral("同时移动文件名少于等于指定字符数的文件；如指定字符数为<=0则表示忽略"), kTitle,
            QStringLiteral("0"));
        long long limit = (long long)std::llround(textnum::valueOf(a));
        if (limit < 1)
            limit = 0;
        const QString chars = shell().input(
            QStringLiteral("需要将目标文件夹中全简体中文的文件名中的指定字符全部删除吗？如果不指定待删除的字符，"
                           "则忽略删除文件名中指定的字符。"),
            kTitle, QString());
        modeHooks().sweep(w, inFolder(), outFolder(), w.Combo1->currentText().mid(1), int(limit), chars);
    }

    void useSplitPaths()
    {
        w.splitPaths = w.pathList.split(QChar(0), Qt::SkipEmptyParts);
    }

    bool sequentialByView() const { return on(w.ChNum) && w.CombOrder->currentIndex() >= 2; }

    // 10. The catalogue holds files of subfolders (or timed mode): read it anew.
    void rebuildCatalogue()
    {
        w.catCount = 0;
        w.pathList.clear();
        w.catalogue->clear();
        WalkFolder(w, inFolder());
        w.setWindowTitle(tag() + QStringLiteral("  目标文件读取完毕，即将分发"));
        PauseSeconds(1.0f);
        w.setWindowTitle(tag());
        useSplitPaths();
        st.lastIndex = sequentialByView() ? w.catalogue->count() - 1 : w.splitPaths.size() - 1;
        if (!(on(w.ChNum) && on(w.ChN)))
            w.runList = QVector<RunEntry>(qMax<long long>(st.lastIndex + 1, 0));
        st.reloaded = true;
    }

    // 11. False when the run goes straight to the unlocking.
    bool prepareWithoutRebuild()
    {
        w.pathList.clear();
        const long long n = wholeValue(w.LFiles->caption());
        w.runList = QVector<RunEntry>(n >= 0 && n < 100000000 ? n : 10001);
        w.setWindowTag(w.windowTitle());
        if (on(w.ChRndDraw)) {
            if (!modeHooks().randomDraw) {
                refuseMode(w.ChRndDraw->text());
                st.stopped = true; // nothing was drawn: no folder to show
                return false;
            }
            modeHooks().randomDraw(w);
            return false;
        }
        w.catCount = 0;
        w.catalogue->clear();
        w.treeWalk = true;
        const bool customOnly =
            w.Opt3->isChecked() && on(w.ChCustom) && w.CmbCustom->currentIndex() == 0;
        const bool sameContent = w.Opt3->isChecked() && on(w.ChSame);
        if (customOnly) {
            w.customSubfolders.clear();
            WalkFolder(w, outFolder());
            if (!w.customSubfolders.isEmpty()) {
                w.customSubfolders.prepend(QLatin1Char('*'));
                WalkFolder(w, inFolder());
            }
            w.treeWalk = false;
            w.setWindowTitle(tag());
            return false;
        }
        if (!sameContent)
            WalkFolder(w, inFolder());
        w.treeWalk = false;
        w.setWindowTitle(tag());
        if (sequentialByView()) {
            st.lastIndex = w.catalogue->count() - 1;
        } else if (!sameContent) {
            useSplitPaths();
            st.lastIndex = w.splitPaths.size() - 1;
        }
        return true;
    }

    long long fileCount() const { return wholeValue(w.LFiles->caption()); }

    void prepareFolders()
    {
        const long long n = fileCount();
        const bool fixed = w.Opt1->isChecked();
        const long long p = wholeValue(w.TParts->text());
        const long long k = wholeValue(w.TDivs->text());
        const long long count = numberedFolderCount(n, fixed, p, k);
        for (long long i = 1; i <= count; ++i) {
            const QString f = numberedFolder(outFolder(), st.relative, i);
            if (!paths::folderExists(f))
                QDir().mkpath(f); // a folder that cannot be made fails its transfers later
        }
        st.shareSize = fixed ? p : (k > 0 ? n / k : n);
        if (st.shareSize < 1)
            st.shareSize = 1;
    }

    void progress(long long i, const QString &text)
    {
        const long long total = st.lastIndex + 1;
        if (!on(w.ChProg))
            w.setWindowTitle(tag() + text + QString::number(i + 1) + QLatin1Char('/') + QString::number(total));
        else if (total > 0)
            w.P1->setValue(int((i + 1) * 100 / total));
    }

    QString firstPassText() const
    {
        const bool timed = on(w.ChRndTime);
        if (w.Opt3->isChecked() && !timed)
            return QStringLiteral("  读取原文件中：");
        if (!timed && st.directPicking)
            return on(w.ChNum) ? QStringLiteral("  文件顺序分发中：") : QStringLiteral("  文件随机分发中：");
        return on(w.ChNum) ? QStringLiteral("  文件顺序分发中：") : QStringLiteral("  文件随机抽提中：");
    }

    QString secondPassText() const
    {
        if (w.Opt3->isChecked())
            return QStringLiteral("  正在复制...");
        return on(w.ChNum) ? QStringLiteral("  正在顺序分发...") : QStringLiteral("  正在随机分发...");
    }

    void startLoop()
    {
        st.failureCount = 0;
        st.log.open();
        st.folder = 1;
        st.inFolder = 0;
    }

    // 13 to 16. Answers the epilogue step the run continues at.
    int passes()
    {
        const bool opt3 = w.Opt3->isChecked();
        bool forceDirect = false;
        for (;;) {
            st.directPicking = forceDirect
                || directPickingFor(opt3, on(w.ChFoldTrunck), on(w.ChNum), on(w.ChN), st.lastIndex);
            if (st.directPicking)
                startLoop();
            if (on(w.ChNum) && on(w.ChN))
                w.sortListOnNumber();
            if (sequentialByView())
                w.OptA_Click(); // re-sorts on the chosen key and direction

            w.catalogue->sortIfNeeded();

            firstPass();
            if (st.stopped)
                return 18;
            if (st.directPicking && !on(w.ChRndTime)) {
                st.log.close();
                return 17;
            }
            st.directPicking = false;
            const bool shuffle =
                ((!opt3 && !on(w.ChFoldTrunck) && !on(w.ChNum)) || on(w.ChRndTime)) && !on(w.ChNum);
            if (shuffle && !SortRunList(w, w.runList, st.lastIndex) && !on(w.ChRndTime)) {
                forceDirect = true;
                continue;
            }
            break;
        }
        if (on(w.ChRndTime)) {
            modeHooks().timedStart(w);
            w.Timer1->start();
            w.setWindowTitle(tag());
            while (w.Timer1->isActive()) {
                DoEvents();
                QThread::msleep(2);
            }
            return 17;
        }
        startLoop();
        secondPass();
        return st.stopped ? 18 : 17;
    }

    QString preparedSource(long long i) const
    {
        if (st.reloaded || on(w.ChRndTime))
            return w.splitPaths.value(i);
        return paths::join(w.File1->path(), w.File1->list(int(i)));
    }

    void firstPass()
    {
        const bool opt3 = w.Opt3->isChecked();
        for (long long i = 0; i <= st.lastIndex; ++i) {
            if (opt3 && on(w.ChSame))
                break;
            progress(i, firstPassText());
            long long key = 0;
            if (!on(w.ChNum))
                key = (long long)std::floor(rnd() * 2.0 * double(st.lastIndex + 1));
            if ((st.directPicking && !on(w.ChRndTime)) || on(w.ChNum)) {
                dispatchOne(pickNext(i), i);
                if (st.stopped)
                    return;
            } else if (i < w.runList.size()) {
                w.runList[i] = RunEntry{preparedSource(i), QString::number(key)};
            }
            DoEvents();
            if (w.stopRequested) { // the window is closing
                st.stopped = true;
                return;
            }
        }
    }

    void secondPass()
    {
        const bool opt3 = w.Opt3->isChecked();
        for (long long i = 0; i <= st.lastIndex; ++i) {
            st.lastTransferOk = true;
            progress(i, secondPassText());
            dispatchOne(i < w.runList.size() ? w.runList[i].path : QString(), i);
            if (st.stopped)
                return;
            DoEvents();
            if (w.stopRequested) { // the window is closing
                st.stopped = true;
                return;
            }
            if (opt3 && on(w.ChSame))
                break;
        }
    }

    QString pickNext(long long i)
    {
        if (on(w.ChNum) && (on(w.ChN) || sequentialByView())) {
            if (i >= w.catalogue->count())
                return QString();
            return w.catalogue->text(int(i), 7) + w.catalogue->text(int(i), 0);
        }
        if (!st.pickerReady) {
            st.picker = DirectPicker(splitPathList(w.pathList));
            st.pickerReady = true;
        }
        return on(w.ChNum) ? st.picker.takeNext() : st.picker.takeRandom(rnd());
    }

    void dispatchOne(const QString &source, long long i)
    {
        if (!w.Opt3->isChecked()) {
            numbered(source, i);
            return;
        }
        st.lastTransferOk = false;
        enum class Match { Include, Common, All };
        if (on(w.ChInClude)) {
            gridFolders(source, Match::Include);
        } else if (on(w.ChOverLay)) {
            gridFolders(source, Match::Common);
        } else if (on(w.ChFoldTrunck)) {
            // The placement moves files itself; the run never deletes here.
            if (!modeHooks().placeInNamedFolder(w, source))
                st.stopped = true;
            return;
        } else if (on(w.ChSame)) {
            if (!st.sameContentDone) {
                st.sameContentDone = true;
                modeHooks().sameContent(w, inFolder());
            }
            return;
        } else {
            gridFolders(source, Match::All);
        }
        if (on(w.ChBackUp) && st.lastTransferOk)
            QFile::remove(source); // a failing deletion leaves the file
    }

    template <typename M>
    void gridFolders(const QString &source, M match)
    {
        const QString namePart = namePartOf(source);
        const QString base = baseOfNamePart(namePart);
        const bool omit = on(w.ChOmit);
        const int n = int(wholeValue(w.TNum->text()));
        for (int j = 1; j < w.MSFlexGrid1->rows(); ++j) {
            const QString folder = w.MSFlexGrid1->textMatrix(j, 0);
            const QString name = w.MSFlexGrid1->textMatrix(j, 1);
            bool suits = true;
            if (match == M::Include)
                suits = includeSuits(base, name, omit);
            else if (match == M::Common)
                suits = commonSuits(base, name, n, omit);
            if (!suits)
                continue;
            QString dst = paths::join(folder, namePart.mid(1));
            const TransferResult r = Transfer(w, source, dst);
            if (r.failed) {
                ++st.failureCount;
                st.lastTransferOk = false;
                st.log.add(source, dst);
            } else if (r.copied) {
                st.lastTransferOk = true;
            }
        }
    }

    QString folderPath(long long n) const { return numberedFolder(outFolder(), st.relative, n); }

    void recordFailure(const QString &source, const QString &dst)
    {
        ++st.failureCount;
        st.log.add(source, dst);
    }

    void numbered(const QString &source, long long i)
    {
        if (st.directPicking) {
            long long share = wholeValue(w.TParts->text());
            if (share < 1)
                share = 1;
            if (st.inFolder >= share) {
                ++st.folder;
                st.inFolder = 0;
            }
            ++st.inFolder;
        } else if (i > 0 && i % st.shareSize == 0) {
            ++st.folder;
        }
        const QString namePart = namePartOf(source);
        QString dst = folderPath(st.folder) + namePart;
        st.nextFolder = folderPath(st.folder + 1);
        if (source.isEmpty()) { // direct picking found no file left
            recordFailure(source, dst);
            return;
        }
        if (on(w.ChBackUp)) {
            const TransferResult r = Transfer(w, source, dst);
            if (r.failed)
                recordFailure(source, dst);
            else if (r.copied)
                QFile::remove(source); // a failing deletion leaves the file
            return;
        }
        for (;;) {
            const TransferResult r = Transfer(w, source, dst);
            st.nextFolder = folderPath(st.folder + 1);
            if (!r.failed)
                return;
            // Retry in the following folders only while they exist, and never after
            // the user gave up at a full disk.
            if (r.gaveUpAtFullDisk || !paths::folderExists(st.nextFolder)) {
                recordFailure(source, dst);
                return;
            }
            ++st.folder;
            dst = folderPath(st.folder) + namePart;
        }
    }

    void epilogue(int from)
    {
        if (from <= 17) {
            w.MSFlexGrid1->setEnabled(false);
            if (!on(w.ChFJ)) {
                if (!w.windowTitle().contains(QStringLiteral("目标文件")))
                    CompletionReport(w, st.failureCount);
                else
                    st.deferredReport = true;
            }
        }
        if (from <= 18) {
            st.log.close();
            if (!st.nextFolder.isEmpty() && paths::folderExists(st.nextFolder)
                && QDir(st.nextFolder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
                QDir().rmdir(st.nextFolder);
        }
        st.log.close();
        // 19. Unlocking, first part.
        w.File1->refresh();
        w.setWindowTitle(tag());
        w.setEnabled(true);
        if (on(w.ChBackUp))
            w.LFiles->setCaption(QStringLiteral("0"));
        w.ChBackUp->setChecked(false);
        if (on(w.ChRndDraw)) {
            if (!st.stopped)
                shell().openFolder(on(w.ChMamal) ? outFolder()
                                             : paths::join(outFolder(), QStringLiteral("随机抽取文件集")));
        } else {
            if (!w.Opt3->isChecked() && !w.stopRequested)
                shell().openFolder(outFolder());
            setOption(w.Opt1, true);
        }
        // 20. Unlocking, second part.
        w.ChRndTime->setChecked(false);
        w.Timer1->stop();
        for (QWidget *c : std::initializer_list<QWidget *>{w.CmdDo, w.CmdOut, w.CmdIn, w.Opt1, w.Opt2, w.Opt3,
                                                           w.Combo1, w.TDivs, w.TNum, w.Frame1, w.Frame2})
            c->setEnabled(true);
        w.ChProg->setChecked(false);
        w.P1->setValue(0);
        for (QWidget *c : std::initializer_list<QWidget *>{w.CmdIn, w.CmdOut, w.Opt1, w.Opt2, w.Opt3, w.Frame1,
                                                           w.Combo1, w.TParts, w.TDivs})
            c->setEnabled(true);
        if (!on(w.ChFJ) && !on(w.ChRndDraw) && st.deferredReport)
            CompletionReport(w, st.failureCount);
        // 21. Final settings.
        w.ChFJ->setChecked(false);
        w.ChFJ->setEnabled(true);
        w.ChBig->setEnabled(true);
        w.MSFlexGrid1->setEnabled(true);
        w.ChOvewr->setChecked(true);
        if (on(w.ChRndDraw) && modeHooks().randomDrawClick)
            modeHooks().randomDrawClick(w);
        w.ChRndDraw->setEnabled(true);
    }
};

} // namespace


void FDispatch::wireDispatch()
{
    connect(CmdDo, &QPushButton::clicked, this, [this] { CmdDo_Click(); });
    connect(ChNum, &QCheckBox::toggled, this, [this] { ChNum_Click(); });
    connect(ChInClude, &QCheckBox::toggled, this, [this] { ChInClude_Click(); });
    connect(ChOverLay, &QCheckBox::toggled, this, [this] { ChOverLay_Click(); });
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

void FDispatch::ChInClude_Click()
{
    if (!ChInClude->isChecked())
        return;
    ChOverLay->setChecked(false);
    ChFoldTrunck->setChecked(false);
    ChCustom->setChecked(false);
    ChSame->setChecked(false);
}

void FDispatch::ChOverLay_Click()
{
    if (ChOverLay->isChecked()) {
        ChCustom->setChecked(false);
        ChInClude->setChecked(false);
        ChFoldTrunck->setChecked(false);
        ChSame->setChecked(false);
        TNum->setEnabled(true);
        ChRex->setEnabled(true);
    } else {
        TNum->setEnabled(false);
        ChOmit->setChecked(false);
    }
    TNum->setText(QStringLiteral("2"));
}

void FDispatch::CmdDo_Click()
{
    if (dispatchRun)
        return; // one run at a time
    // 1. Update pending.
    if (CmdUpdate->isEnabled()) {
        CmdUpdate->setFocus();
        shell().beep();
        return;
    }
    // 3. Missing output folders.
    const bool customOnly = Opt3->isChecked() && ChCustom->isChecked() && CmbCustom->currentIndex() == 0;
    const bool gridEmpty = MSFlexGrid1->rows() == 1;
    if (Opt3->isChecked() && ChSame->isChecked() && gridEmpty) {
        shell().message(QStringLiteral("您尚未指定要将文件分发到哪个主目录下的系列子文件中！请先添加分发输出所在的主目录！"),
                        kTitle, Icon::Critical, Buttons::Ok);
        CmdOut->setFocus();
        return;
    }
    if (!customOnly && Opt3->isChecked() && !ChFoldTrunck->isChecked() && !ChFJ->isChecked() && gridEmpty) {
        shell().beep();
        CmdDo->setEnabled(false);
        return;
    }
    const QString missing = unavailableMode(*this);
    if (!missing.isEmpty()) {
        refuseMode(missing);
        return;
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
    LongOperation busy(*this);
    DispatchRunState st;
    dispatchRun = &st;
    // 7. Relative part.
    st.relative = relativePart(LDir->caption(), Option2->isChecked());
    Run(*this, st).execute();
    dispatchRun = nullptr;
}

} // namespace fd
