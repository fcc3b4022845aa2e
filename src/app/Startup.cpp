#include "app/Startup.h"
#include "app/FDispatch.h"

#include "catalogue/FileList.h"
#include "catalogue/ImageMetadata.h"
#include "outputs/FlexGrid.h"
#include "platform/Env.h"
#include "platform/InstanceGuard.h"
#include "platform/Paths.h"
#include "platform/Places.h"
#include "platform/Shell.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QPalette>

namespace fd {

StartupPaths computeStartupPaths(const QString &windir, const QString &programFilesVar,
                                 const QString &programData, const QString &programFolder,
                                 const QString &ownFolder)
{
    StartupPaths p;
    p.systemFolder = windir + paths::sep() + QStringLiteral("System32");
    p.programFiles = programFilesVar;
    p.newerSystem = !programData.isEmpty();
    if (p.newerSystem) {
        // The name is the text after the last separator of the program's folder;
        // empty for a program at the root, which gives a doubled separator.
        const int i = programFolder.lastIndexOf(paths::sep());
        const QString name = i < 0 ? programFolder : programFolder.mid(i + 1);
        p.workCandidate = programData + paths::sep() + name;
        p.workFolder = p.workCandidate + paths::sep();
    } else {
        p.workFolder = (ownFolder.isEmpty() ? programFolder : ownFolder) + paths::sep();
    }
    return p;
}

bool FDispatch::Form_Load()
{
    // A second running copy is refused before anything else.
    if (!instanceGuard().acquire()) {
        shell().message(caption() + QStringLiteral("正在运行中！不支持多开！"), QStringLiteral("消息"),
                        Icon::Critical, Buttons::Ok);
        return false;
    }
    // The picture readers' libraries load now rather than at the first file scanned.
    preparePictureReaders();
    // The same-content pattern starts as the mobile-number item.
    CmbSame->setCurrentIndex(0);
    // Paths and work folder.
    const QString progDir = programFolder();
    const QString programData = readEnv(QStringLiteral("programdata"));
    startup = computeStartupPaths(readEnv(QStringLiteral("windir")), readEnv(QStringLiteral("programfiles")),
                                  programData, progDir, programData.isEmpty() ? writableDataFolder() : QString());
    if (startup.newerSystem && !QFileInfo::exists(startup.workCandidate))
        QDir().mkpath(startup.workCandidate); // a failure shows later, where the folder is used
    // Newer systems draw these captions on the button colour, as the fields around them.
    if (startup.newerSystem) {
        for (auto *l : {LBracketNo, LTrunckS, LTrunckE}) {
            l->setAutoFillBackground(true);
            QPalette pal = l->palette();
            pal.setColor(QPalette::Window, palette().color(QPalette::Button));
            l->setPalette(pal);
        }
    }
    // The program's own folder is the first input folder.
    File1->setPath(progDir);
    File1->refresh();
    LDir->setCaption(progDir);
    LDirOut->setCaption(paths::driveRoot(progDir));
    // The output folder grid: the heading row only.
    MSFlexGrid1->setFirstColumnMarginTwips(400);
    MSFlexGrid1->setColWidthTwips(1, 0);
    MSFlexGrid1->setTextMatrix(0, 0, QStringLiteral("自定义输出目录列表"));
    MSFlexGrid1->setRows(1);
    // Count and shares for the first input folder; both do nothing while the window is hidden.
    LDir_Change();
    TDivs_Change();
    CombOrder->setCurrentIndex(0);
    startUpdateNotice();
    CmbCustom->setCurrentIndex(0);
    return true;
}

void FDispatch::Form_Unload(bool &cancel)
{
    const Answer a = shell().message(QStringLiteral("关闭程序？"), QStringLiteral("消息"), Icon::Information,
                                     Buttons::OkCancel, Answer::Ok);
    cancel = (a != Answer::Ok);
}

} // namespace fd
