// The update button: makes sure the archiver is in place, fetches the new version
// into the work folder and hands over to the companion, which replaces the program.
#include "app/FDispatch.h"

#include "platform/Clock.h"
#include "platform/Download.h"
#include "platform/Env.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/UpdatePlatform.h"
#include "update/UpdateNotice.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

namespace fd {

namespace {

const QString kTitle = QStringLiteral("消息");
const QString kLocalInstaller = QStringLiteral("WinRar.exe");
const QString kInstallerDownload = QStringLiteral("wrar411sc.rar");
const QString kInstallerSaved = QStringLiteral("WinRAR.exe");
const QString kArchive = QStringLiteral("STFilesDispatcher.rar");
constexpr qint64 kWaitLimitMs = 60000;

QString installerMessage()
{
    return QStringLiteral("资源文件缺失，请先安装默认经典的WinRAR解压缩应用程序！") + QLatin1Char('\n')
        + QStringLiteral("对不起！有意不支持您本机安装的非经典的360、2345、便压等等解压缩程序。")
        + QStringLiteral("如果您的系统为win7及以上版本，WinRAR安装完毕之后，请务必： ") + QLatin1Char('\n')
        + QStringLiteral("右键WinRAR.exe->属性->兼容性->兼容xp3且勾选始终以管理员权限运行");
}

class Update {
public:
    explicit Update(FDispatch &w) : w_(w), platform_(updatePlatform()) {}

    void run()
    {
        // The package manager owns an installed copy's folders, root or not.
        if (packageManaged(programFolder())) {
            shell().message(QStringLiteral("此程序由软件包管理器安装，请使用软件包管理器更新。"), kTitle,
                            Icon::Information, Buttons::Ok);
            return;
        }
        const bool registered = platform_.archiverRegistered();
        const QString local = paths::join(programFolder(), kLocalInstaller);
        if (QFileInfo(local).isFile()) {
            if (installerLoop(local))
                download();
        } else if (registered) {
            download();
        } else {
            const QString saved = paths::join(w_.startup.workFolder, kInstallerSaved);
            fetch(kInstallerDownload, saved);
            if (installerLoop(saved))
                download();
        }
    }

private:
    // True when the archiver is registered at the end, false when the user gave up.
    bool installerLoop(const QString &installer)
    {
        for (;;) {
            // Started once: a second start of the same installer would run two at a time.
            platform_.startInstaller(installer, paths::folderOf(installer));
            shell().message(installerMessage(), kTitle, Icon::Information, Buttons::Ok);
            const QDateTime closed = clock().now();
            bool registered = platform_.archiverRegistered();
            while (!registered && !w_.stopRequested && closed.msecsTo(clock().now()) < kWaitLimitMs) {
                DoEvents();
                QThread::msleep(20);
                registered = platform_.archiverRegistered();
            }
            if (registered)
                return true;
            if (w_.stopRequested)
                return false;
            const Answer a = shell().message(QStringLiteral("资源文件缺失，请先安装WinRAR解压缩应用程序！"), kTitle,
                                             Icon::Information, Buttons::RetryCancel, Answer::Retry);
            if (a != Answer::Retry)
                return false;
        }
    }

    void download()
    {
        const QString archive = paths::join(w_.startup.workFolder, kArchive);
        // An archive left from an earlier try must not pass for this download.
        QFile::remove(archive);
        QString why;
        if (!fetch(kArchive, archive, &why) || !QFileInfo(archive).isFile()) {
            failed(QStringLiteral("更新下载失败：") + (why.isEmpty() ? QStringLiteral("没有得到更新包") : why));
            return;
        }
        const QString parameters = QStringList{archive, QStringLiteral("1"),
                                               QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                                               w_.windowTitle()}
                                       .join(QLatin1Char('\t'));
        if (platform_.startCompanion(companionPath(), parameters, programFolder())) {
            platform_.endProgram();
            return;
        }
        failed(QStringLiteral("无法启动更新程序：") + companionPath());
    }

    // The user learns why, and may go on dispatching; the button stays for a retry.
    void failed(const QString &text)
    {
        showAgain();
        markUpdateFailed(w_);
        if (!w_.stopRequested) // the window is closing
            shell().message(text, kTitle, Icon::Warning, Buttons::Ok);
    }

    // Downloads one file of the update location, the title showing the progress.
    bool fetch(const QString &name, const QString &dest, QString *why = nullptr)
    {
        const QString location = updateLocation();
        if (location.isEmpty()) {
            if (why)
                *why = QStringLiteral("没有设置更新地址");
            return false;
        }
        w_.setWindowTag(w_.windowTitle());
        DownloadOptions o;
        o.stop = [this] { return w_.stopRequested; };
        o.progress = [this](qint64 received, qint64 total) {
            if (w_.ChProg->isChecked()) {
                if (total > 0)
                    w_.P1->setValue(int(received * 100 / total));
                return;
            }
            QString t = w_.windowTag() + QStringLiteral("  更新下载中：") + QString::number(received / 1024);
            if (total > 0)
                t += QLatin1Char('/') + QString::number(total / 1024);
            w_.setWindowTitle(t + QStringLiteral(" KB"));
        };
        const bool ok = downloadFile(updateFileUrl(location, name), dest, o, why);
        w_.setWindowTitle(w_.windowTag());
        w_.P1->setValue(0);
        return ok;
    }

    void showAgain()
    {
        w_.show();
        w_.raise();
        w_.activateWindow();
    }

    FDispatch &w_;
    UpdatePlatform &platform_;
};

} // namespace

void FDispatch::wireUpdate()
{
    connect(CmdUpdate, &QPushButton::clicked, this, &FDispatch::CmdUpdate_Click);
}

void FDispatch::CmdUpdate_Click()
{
    if (!CmdUpdate->isEnabled()) {
        shell().beep();
        return;
    }
    if (updateRunning)
        return; // a click while the first is still waiting or downloading
    updateRunning = true;
    LongOperation op(*this);
    Update(*this).run();
    updateRunning = false;
}

} // namespace fd
