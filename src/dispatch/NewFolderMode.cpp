// New folders named from a piece of each file name: the placement does the work,
// the first file it cannot name ends the passes.
#include "dispatch/DispatchRun.h"
#include "dispatch/Port.h"
#include "naming/Placement.h"
#include "platform/Shell.h"

namespace fd {

namespace {

class NewFolderMode : public DispatchMode {
public:
    // Without an output folder the new folders would land relative to wherever
    // the program was started.
    bool readyToStart(Port &port) override
    {
        if (!port.outputFolder().isEmpty())
            return true;
        shell().message(QStringLiteral("您尚未指定要将文件分发到哪个主目录下的系列子文件中！请先添加分发输出所在的主目录！"),
                        QStringLiteral("消息"), Icon::Critical, Buttons::Ok);
        port.focusOutputButton();
        return false;
    }

    QString firstPassPhrase(const DispatchRun &) const override { return QStringLiteral("  读取原文件中："); }
    QString secondPassPhrase(const DispatchRun &) const override { return QStringLiteral("  正在复制..."); }

    // Moves happen in the placement; the run only counts and logs what failed.
    bool dispatchOne(DispatchRun &run, const QString &source, long long) override
    {
        QString failedAt;
        const bool named = PlaceInNamedFolder(run.port, source, &failedAt, run.moving()) == Placement::Attempted;
        if (!failedAt.isEmpty())
            run.recordFailure(source, failedAt);
        return named;
    }
};

} // namespace

std::unique_ptr<DispatchMode> newFolderRule() { return std::make_unique<NewFolderMode>(); }

} // namespace fd
