// The dispatch button and the switches of the run: the window's checks and
// questions before a run; the run itself is the engine's (DispatchRun).
#include "app/FDispatch.h"
#include "catalogue/CatalogueModel.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/FailureLog.h"
#include "dispatch/Port.h"
#include "dispatch/RunJournal.h"
#include "dispatch/Undo.h"
#include "catalogue/FileList.h"
#include "app/Controls.h"
#include "outputs/FlexGrid.h"
#include "platform/Shell.h"
#include "update/UpdateNotice.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

namespace fd {

namespace {
const QString kTitle = QStringLiteral("消息");
} // namespace

void FDispatch::wireDispatch()
{
    connect(CmdDo, &QPushButton::clicked, this, [this] { CmdDo_Click(); });
    connect(CmdPlan, &QPushButton::clicked, this, [this] { CmdPlan_Click(); });
    connect(CmdUndo, &QPushButton::clicked, this, [this] { CmdUndo_Click(); });
    refreshUndo(); // a journal left by the last session, killed or not
    FailureLog::loadEncodingSoon();
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
    if (!readyToDispatch())
        return;
    UpdateLockDuringRun noUpdate(*this); // an update would end the program mid-run
    LongOperation busy(*this);
    DispatchRun run(port());
    dispatchRun = &run;
    CmdUndo->setEnabled(false);
    run.execute();
    dispatchRun = nullptr;
    refreshUndo();
}

bool FDispatch::readyToDispatch()
{
    // An update is waiting to be installed.
    if (updateBlocksDispatch(*this)) {
        CmdUpdate->setFocus();
        shell().beep();
        return false;
    }
    // Missing output folders.
    const ModeChoice c = selectMode(port());
    const bool gridEmpty = MSFlexGrid1->rows() == 1;
    if (c.sameContent && gridEmpty) {
        shell().message(QStringLiteral("您尚未指定要将文件分发到哪个主目录下的系列子文件中！请先添加分发输出所在的主目录！"),
                        kTitle, Icon::Critical, Buttons::Ok);
        CmdOut->setFocus();
        return false;
    }
    if (!c.customOnly && c.customFolders && !c.folderFromName && !c.sweep && gridEmpty) {
        shell().beep();
        CmdDo->setEnabled(false);
        return false;
    }
    // A rule that cannot work with this setup refuses before anything changes.
    for (ModeKind k : {c.run, c.file}) {
        if (!makeMode(k)->readyToStart(port()))
            return false;
        if (c.file == c.run)
            break;
    }
    // A name rule not previewed yet.
    if (ChFoldTrunck->isChecked() && !ChTrunck->isChecked() && !ChFJ->isChecked()
        && LFoldName->caption() == tagOf(LFoldName)) {
        if (shell().message(QStringLiteral("强烈建议先预览新建文件夹后再分发。要继续吗？"), kTitle, Icon::Information,
                            Buttons::OkCancel, Answer::Cancel)
            != Answer::Ok)
            return false;
    }
    setTag(Timer1, QStringLiteral("0")); // a timed run starts at the first file
    // Move or copy: asked once, before anything is locked.
    if (ChBackUp->isChecked() && !ChFJ->isChecked()) {
        if (shell().message(QStringLiteral("在分发的同时移走原文件？"), kTitle, Icon::Information, Buttons::OkCancel,
                            Answer::Cancel)
            != Answer::Ok)
            ChBackUp->setChecked(false);
    }
    return true;
}

void FDispatch::refreshUndo() { CmdUndo->setEnabled(!dispatchRun && !undoing && RunJournal::exists()); }

void FDispatch::CmdUndo_Click()
{
    if (dispatchRun || undoing)
        return;
    const int steps = undoableSteps();
    if (steps == 0) { // spent, or unreadable: nothing to take back
        refreshUndo();
        return;
    }
    if (shell().message(QStringLiteral("撤销上次分发的 %1 项操作？").arg(steps), kTitle, Icon::Question,
                        Buttons::OkCancel, Answer::Cancel)
        != Answer::Ok)
        return;
    UpdateLockDuringRun noUpdate(*this);
    LongOperation busy(*this);
    undoing = true;
    const bool doEnabled = CmdDo->isEnabled();
    CmdDo->setEnabled(false);
    CmdUndo->setEnabled(false);
    const UndoReport r = undoLastRun([this] { return stopRequested; });
    undoing = false;
    CmdDo->setEnabled(doEnabled);
    refreshUndo();
    if (!r.complete)
        return; // the window is closing; the journal keeps what is left
    if (!LDir->caption().isEmpty()) { // files came back to the input folder
        File1->refresh();
        LFiles->setCaption(QString::number(File1->listCount()));
    }
    shell().message(undoMessage(r), kTitle, Icon::Information, Buttons::Ok);
}

} // namespace fd
