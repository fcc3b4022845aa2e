// Manual mode: one working folder emptied and refilled with a fresh random sample,
// cycle after cycle, while the user asks for more.
#include "app/Events.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/FileLayer.h"
#include "dispatch/Port.h"
#include "dispatch/RandomDraw.h"
#include "platform/Shell.h"

namespace fd {

namespace {

class ManualMode : public DispatchMode {
public:
    std::optional<RunEnd> replaceRun(DispatchRun &run, Stage stage) override
    {
        if (stage != Stage::BeforeCatalogue) // the pool is read here, whatever the file count says
            return std::nullopt;
        Port &port = run.port;
        draw::preparePool(run);
        const QStringList pool = port.drawPool().paths;
        for (;;) {
            const QString out = run.outFolder();
            if (port.stopRequested() || !draw::recreateFolder(port, out)) {
                run.stopped = true;
                return RunEnd::Unlock;
            }
            const long long size = draw::setSize(port);
            for (long long n = 1; n <= size; ++n) {
                if (!draw::drawOne(pool, out))
                    return RunEnd::Unlock; // given up at a full disk: this cycle's files stay
                port.setTitle(run.tag() + QStringLiteral("  正在随机分发中") + QString::number(n)
                                 + QLatin1Char('/') + QString::number(size));
                DoEvents();
                if (port.stopRequested()) {
                    run.stopped = true;
                    return RunEnd::Unlock;
                }
            }
            if (fs::planning()) // a plan shows the first cycle
                return RunEnd::Unlock;
            if (shell().message(QStringLiteral("本次分发完毕！\r\n是——准备就绪，继续随机分发\r\n否——谢谢了，本次任务完成了！"),
                                QStringLiteral("消息"), Icon::Information, Buttons::YesNo, Answer::Yes)
                != Answer::Yes)
                return RunEnd::Unlock;
        }
    }
};

} // namespace

std::unique_ptr<DispatchMode> manualRule() { return std::make_unique<ManualMode>(); }

} // namespace fd
