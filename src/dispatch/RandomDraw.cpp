// Random draw: sets of TParts files drawn from a pool kept between runs, into
// numbered folders below "随机抽取文件集".
#include "dispatch/RandomDraw.h"

#include "app/Events.h"
#include "catalogue/Scan.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/FileLayer.h"
#include "dispatch/Port.h"
#include "dispatch/RunJournal.h"
#include "dispatch/Transfer.h"
#include "platform/Clock.h"
#include "platform/FolderRemoval.h"
#include "platform/NativeName.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/Shell.h"

#include <cmath>

namespace fd {

namespace {

const QString kTitle = QStringLiteral("消息");

QString refusalText(RemovalRefusal why, const QString &folder, const QString &at)
{
    QString reason;
    switch (why) {
    case RemovalRefusal::NotAbsolute: reason = QStringLiteral("它不是一个完整的文件夹路径。"); break;
    case RemovalRefusal::Root: reason = QStringLiteral("它是磁盘的根目录。"); break;
    case RemovalRefusal::Home: reason = QStringLiteral("它是用户的主目录。"); break;
    case RemovalRefusal::ProgramFolder: reason = QStringLiteral("它是本程序所在的文件夹。"); break;
    case RemovalRefusal::InputFolder: reason = QStringLiteral("它是输入目录。"); break;
    case RemovalRefusal::HoldsProtected:
        reason = QStringLiteral("它包含输入目录、本程序所在的文件夹或用户的主目录。");
        break;
    case RemovalRefusal::HoldsMount:
        reason = QStringLiteral("它包含另一个磁盘或文件系统的挂载点：\r\n") + displayName(at);
        break;
    case RemovalRefusal::None: break;
    }
    return QStringLiteral("为防止误删，程序不会删除以下文件夹及其中的全部内容：\r\n") + displayName(folder)
         + QStringLiteral("\r\n") + reason + QStringLiteral("\r\n请另选一个专用的空输出目录后再分发。");
}

bool tellStopped(const QString &text)
{
    shell().message(text + QStringLiteral("\r\n分发已停止。"), kTitle, Icon::Critical, Buttons::Ok);
    return false;
}

class DrawMode : public DispatchMode {
public:
    std::optional<RunEnd> replaceRun(DispatchRun &run, Stage stage) override
    {
        // Whatever the file count says: the draw reads its pool itself.
        if (stage != Stage::BeforeCatalogue)
            return std::nullopt;
        Port &port = run.port;
        draw::preparePool(run);
        const QString root = draw::setRoot(run.outFolder());
        if (port.stopRequested() || !draw::recreateFolder(port, root)) {
            run.stopped = true; // nothing drawn: no folder to show
            return RunEnd::Unlock;
        }
        const QStringList pool = port.drawPool().paths; // shares the list; nothing is copied
        const long long size = draw::setSize(port);
        const long long sets = (pool.size() + size - 1) / size;
        const QString of = QLatin1Char('/') + QString::number(sets);
        for (long long k = 1; k <= sets; ++k) {
            const QString head = run.tag() + QStringLiteral("  正在随机分发中") + QString::number(k) + of;
            port.setTitle(head);
            const QString folder = draw::setFolder(root, k);
            if (!draw::makeFolder(folder))
                return RunEnd::Unlock; // the sets so far stay
            for (long long n = 1; n <= size; ++n) {
                if (!draw::drawOne(pool, folder))
                    return RunEnd::Unlock; // given up at a full disk: the sets so far stay
                port.setTitle(head + QStringLiteral("之") + QString::number(n) + QLatin1Char('/')
                                 + QString::number(size));
                DoEvents();
                if (port.stopRequested()) { // the window is closing
                    run.stopped = true;
                    return RunEnd::Unlock;
                }
            }
            DoEvents();
        }
        if (!fs::planning()
            && shell().message(QStringLiteral("分发完毕！ \r\n需要清空已加载的文件列表吗？如果稍后输入目录未发生变化，"
                                           "或者输入目录下的文件未发生变化，稍后还想继续随机分发，则无须清空文件列表。"),
                            kTitle, Icon::Information, Buttons::YesNo, Answer::No)
            == Answer::Yes)
            port.drawPool().paths.clear();
        return RunEnd::Unlock;
    }
};

} // namespace

namespace draw {

qsizetype drawIndex(double uniform01, qsizetype poolSize)
{
    if (poolSize <= 0)
        return 0;
    const auto i = qsizetype(std::floor(uniform01 * double(poolSize)));
    return qBound<qsizetype>(0, i, poolSize - 1);
}

QString setRoot(const QString &outputFolder) { return paths::join(outputFolder, QStringLiteral("随机抽取文件集")); }

QString setFolder(const QString &root, long long k)
{
    return paths::join(root, QStringLiteral("%1").arg(k, 5, 10, QLatin1Char('0'))) + paths::sep();
}

long long setSize(const Port &port) { return qMax(1LL, port.shares().perFolder); }

void preparePool(DispatchRun &run)
{
    Port &port = run.port;
    QStringList &pool = port.drawPool().paths;
    if (pool.size() >= 2
        && shell().message(QStringLiteral("更新输入目录下的文件？如果输入目录下文件未发生变动，则无须更新，否则更新将重新耗时！"),
                           kTitle, Icon::Information, Buttons::YesNo, Answer::Yes)
               != Answer::Yes)
        return;
    // A fresh count: the scan raises the file count to it.
    CatalogueState &cat = port.catalogue();
    cat.count = 0;
    cat.pathList.clear();
    ScanFolder(port, run.inFolder()); // this folder only: the walk never descends in this mode
    pool = cat.pathList.split(QChar(0), Qt::SkipEmptyParts);
    cat.pathList.clear();
    if (port.stopRequested()) // cut short: never keep half a pool
        pool.clear();
    port.setTitle(run.tag());
}

bool drawOne(const QStringList &pool, const QString &folder)
{
    if (pool.isEmpty())
        return true;
    QString source, name, destination;
    bool taken = true;
    for (int attempt = 0; attempt < 10 && taken; ++attempt) {
        source = pool.at(drawIndex(rnd(), pool.size()));
        name = paths::lastComponent(source);
        destination = paths::join(folder, name);
        DoEvents();
        taken = fs::occupied(destination);
    }
    if (taken)
        destination = paths::join(folder, QStringLiteral("重名_") + name);
    for (;;) {
        QString used = destination;
        // A replaced file is never left half written: the copy lands under a temporary name first.
        if (!Transfer(source, used, Clash::Overwrite, DiskFull::GiveUp).gaveUpAtFullDisk)
            return true; // other failures only leave the file out of its set
        if (shell().message(QStringLiteral("导出目录所在磁盘空间不足！请释放空间后重试分发！"), kTitle, Icon::Critical,
                            Buttons::RetryCancel, Answer::Retry)
            != Answer::Retry)
            return false;
    }
}

bool makeFolder(const QString &folder)
{
    return fs::makePath(folder)
        || tellStopped(QStringLiteral("无法创建文件夹：\r\n") + displayName(paths::withoutTrailingSep(folder)));
}

bool recreateFolder(const Port &port, const QString &folder)
{
    const TreeRemoval removal = fs::removeTree(folder, port.inputFolder());
    if (removal.verdict.why != RemovalRefusal::None) {
        shell().message(refusalText(removal.verdict.why, folder, removal.verdict.at), kTitle, Icon::Critical,
                        Buttons::Ok);
        return false;
    }
    // Files left over would be taken for this run's.
    if (!removal.left.isEmpty())
        return tellStopped(QStringLiteral("未能清空文件夹：\r\n") + displayName(folder)
                           + QStringLiteral("\r\n无法删除：\r\n") + displayName(removal.left));
    return makeFolder(folder);
}

} // namespace draw

std::unique_ptr<DispatchMode> randomDrawRule(bool manual)
{
    if (manual)
        return manualRule();
    return std::make_unique<DrawMode>();
}

} // namespace fd
