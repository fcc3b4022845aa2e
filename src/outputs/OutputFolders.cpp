// The current output folder, the output folder list and the switches that belong to it.
#include "outputs/OutputFolders.h"
#include "app/FDispatch.h"

#include "app/TextNumbers.h"
#include "outputs/FlexGrid.h"
#include "outputs/PickFolder.h"
#include "outputs/Walk.h"
#include "platform/Env.h"
#include "platform/NativeName.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace fd {

namespace {

const QString &refusedText()
{
    static const QString t = QStringLiteral("该目录不可用，请重新指定。");
    return t;
}

double labelValue(const QLabel *l) { return textnum::valueOf(l->text()); }

} // namespace

QString ownFolderName(const QString &path)
{
    if (path.size() < 2)
        return path;
    const int i = path.lastIndexOf(paths::sep(), path.size() - 2);
    return i < 0 ? path : path.mid(i + 1);
}

QString entryNameOf(const QString &path)
{
    if (path.isEmpty())
        return QString();
    if (raw::kindOf(path) == raw::Kind::Missing)
        return QString();
    if (paths::isRoot(path))
        return path;
    return paths::lastComponent(paths::withoutTrailingSep(path));
}

QString outputPickerTitle(bool subfolderMainFolder, bool newerSystem)
{
    if (subfolderMainFolder)
        return newerSystem
            ? QStringLiteral("选择分发到的子文件夹所在的主目录(切勿指定只读目录如【Windows】及【Programe Files】)：")
            : QStringLiteral("选择分发到的子文件夹所在的主目录：");
    return newerSystem ? QStringLiteral("选择输出目录(切勿指定只读目录如【Windows】及【Programe Files】)：")
                       : QStringLiteral("选择输出目录：");
}

void FDispatch::wireOutputs()
{
    connect(CmdOut, &QPushButton::clicked, this, [this] { CmdOut_Click(); });
    connect(MSFlexGrid1, &FlexGrid::dblClicked, this, [this] { MSFlexGrid1_DblClick(); });
    connect(MSFlexGrid1, &FlexGrid::mouseReleased, this,
            [this](Qt::MouseButton b) { MSFlexGrid1_MouseUp(b); });
    connect(LDirOut, &CaptionLabel::dropped, this, [this](const QList<QUrl> &u) { LDirOut_OLEDragDrop(u); });
    connect(LFolds, &CaptionLabel::captionChanged, this, [this] { LFolds_Change(); });
    connect(Opt3, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Opt3_Click();
    });
    connect(ChCustom, &QCheckBox::toggled, this, [this] { ChCustom_Click(); });
    connect(ChSubFold, &QCheckBox::toggled, this, [this] { ChSubFold_Click(); });
}

bool FDispatch::customOnlyMode() const
{
    return Opt3->isChecked() && ChCustom->isChecked() && CmbCustom->currentIndex() == 0;
}

bool FDispatch::outputFolderUsable(const QString &path) const
{
    // An empty system path would be found in every path and refuse them all.
    if (startup.newerSystem && ((!startup.systemFolder.isEmpty() && path.contains(startup.systemFolder))
                        || (!startup.programFiles.isEmpty() && path.contains(startup.programFiles))))
        return false;
    return !path.contains(QLatin1Char('{'));
}

QString FDispatch::chooseOutputFolder()
{
    const bool subfolderMain = Opt3->isChecked() && ChSame->isChecked();
    const QString title = outputPickerTitle(subfolderMain, startup.newerSystem);
    for (;;) {
        const QString path = PickFolder(title, paths::driveRoot(programFolder()), true, startup.workFolder);
        if (!outputFolderUsable(path)) {
            shell().message(refusedText(), QStringLiteral("警告"), Icon::Critical, Buttons::Ok);
            continue;
        }
        if (path.isEmpty())
            return QString();
        // The folder must be listable, or nothing could be delivered into it.
        if (!raw::canList(path)) {
            shell().message(refusedText(), QStringLiteral("警告"), Icon::Critical, Buttons::Ok);
            continue;
        }
        return path;
    }
}

void FDispatch::CmdOut_Click()
{
    const bool customOnly = customOnlyMode();
    if (!customOnly && !(Opt3->isChecked() && ChSame->isChecked()) && Opt3->isChecked()
        && !ChFoldTrunck->isChecked() && !ChSubFold->isChecked()) {
        const Answer a = shell().message(QStringLiteral("要包含子文件夹吗？"), QStringLiteral("消息"),
                                         Icon::Information, Buttons::OkCancel);
        if (a == Answer::Ok)
            ChSubFold->setChecked(true);
    }
    const QString path = chooseOutputFolder();
    if (path.isEmpty())
        return;
    takeOutputFolder(path);
}

bool FDispatch::takeOutputFolder(const QString &path)
{
    LDirOut->setCaption(path);
    if (customOnlyMode()) {
        CmdDo->setEnabled(true);
        return true;
    }
    if (Opt3->isChecked() && ChSubFold->isChecked() && !ChFoldTrunck->isChecked()) {
        // The chosen folder itself is listed again even when present; its
        // subfolders are added only when missing.
        appendOutputRow(path, ownFolderName(path));
        const bool saved = CmdOut->isEnabled();
        CmdOut->setEnabled(false); // no second add while this one walks
        cat.treeWalk = true;
        {
            LongOperation busy(*this);
            WalkFolder(port(), path, WalkPurpose::OutputList);
        }
        cat.treeWalk = false;
        CmdOut->setEnabled(saved);
        ChSubFold->setChecked(false);
        MSFlexGrid1->setTopRow(1);
    } else if (Opt3->isChecked()) {
        if (MSFlexGrid1->hasInColumn0(path)) {
            shell().beep();
            return false;
        }
        appendOutputRow(path, ownFolderName(path));
    }
    removeInputFolderRows();
    return true;
}

void FDispatch::appendOutputRow(const QString &path, const QString &name)
{
    const int r = MSFlexGrid1->rows();
    MSFlexGrid1->setRows(r + 1);
    MSFlexGrid1->setTextMatrix(r, 0, path);
    MSFlexGrid1->setTextMatrix(r, 1, name);
    LFolds->setCaption(QString::number(qint64(labelValue(LFolds)) + 1));
}

int FDispatch::removeInputFolderRows()
{
    const QString inputName = entryNameOf(LDir->caption());
    int removed = 0;
    int r = 1;
    while (r < MSFlexGrid1->rows()) {
        if (entryNameOf(MSFlexGrid1->textMatrix(r, 0)) == inputName) {
            MSFlexGrid1->removeRow(r - 1);
            ++removed;
        } else {
            ++r;
        }
    }
    if (removed > 0)
        LFolds->setCaption(QString::number(qint64(labelValue(LFolds)) - removed));
    return removed;
}

void FDispatch::MSFlexGrid1_DblClick()
{
    const int rows = MSFlexGrid1->rows();
    if (rows <= 1) {
        shell().beep();
        return;
    }
    if (rows == 2) {
        MSFlexGrid1->setRows(1);
        LFolds->setCaption(QStringLiteral("0"));
        shell().beep();
        return;
    }
    // Like the grid it stands for, the first data row is current until another is chosen.
    const int current = MSFlexGrid1->currentRow() < 0 ? 1 : MSFlexGrid1->currentRow() + 1;
    MSFlexGrid1->removeRow(current - 1);
    LFolds->setCaption(QString::number(MSFlexGrid1->rows() - 1));
}

void FDispatch::MSFlexGrid1_MouseUp(Qt::MouseButton button)
{
    if (MSFlexGrid1->rows() <= 1 || button != Qt::RightButton)
        return;
    const Answer a = shell().message(QStringLiteral("确实要清空列表？"), QStringLiteral("消息"), Icon::Information,
                                     Buttons::YesNo, Answer::No);
    if (a != Answer::Yes)
        return;
    MSFlexGrid1->setRows(1);
    LFolds->setCaption(QStringLiteral("0"));
    CmdDo->setEnabled(false);
}

void FDispatch::LDirOut_OLEDragDrop(const QList<QUrl> &urls)
{
    if (dispatchRun) { // manual mode would empty a folder dropped mid-run
        shell().beep();
        return;
    }
    for (const QUrl &u : urls) {
        const QString p = paths::withoutTrailingSep(localPathOf(u));
        if (!p.isEmpty() && paths::folderExists(p)) {
            LDirOut->setCaption(p);
            return;
        }
    }
    shell().beep();
}

void FDispatch::LFolds_Change()
{
    CmdDo->setEnabled(MSFlexGrid1->rows() > 1 && LFiles->caption() != QLatin1String("0"));
}

void FDispatch::Opt3_Click()
{
    applyStates({
        //             checked  enabled
        {ChRndDraw,    false,   false},
        {ChNum,        false,   false, ControlState::EnableFirst},
        {Frame2,                true},
        {ChCustom,     false,   true},
        {ChFoldTrunck, false,   true},
        {ChOmit,       false,   true,  ControlState::EnableFirst},
    });
    if (MSFlexGrid1->rows() <= 1)
        CmdDo->setEnabled(false);
    else if (labelValue(LFiles) != 0)
        CmdDo->setEnabled(true);
    applyStates({
        //             checked  enabled
        {Option2,               false},
        {Option1,               false},
        {ChSubFold,    false,   true,  ControlState::EnableFirst},
        {ChInClude,    true,    true},
        {ChOverLay,    false,   true},
        {TParts,                false},
        {TDivs,                 false},
    });
}

void FDispatch::ChCustom_Click()
{
    const bool on = ChCustom->isChecked();
    CmbCustom->setCurrentIndex(0);
    CmbCustom->setEnabled(on);
    if (on) {
        // First: unchecking ChSame enables the switches disabled below.
        ChSame->setChecked(false);
        ChInClude->setChecked(false);
        ChOverLay->setChecked(false);
        ChFoldTrunck->setChecked(false);
        Option2->setEnabled(false);
        Option1->setEnabled(false);
        ChRndTime->setChecked(false);
        ChRndTime->setEnabled(false);
        ChSubFold->setChecked(false);
        ChSubFold->setEnabled(false);
    } else {
        ChRndTime->setEnabled(true);
        ChSubFold->setEnabled(true);
    }
}

void FDispatch::ChSubFold_Click()
{
    LDir_Change();
    if (ChSubFold->isChecked())
        CmdDo->setEnabled(true);
    else if (labelValue(LFiles) == 0)
        CmdDo->setEnabled(false);
}

} // namespace fd
