// Manual mode: one working folder emptied and refilled with a fresh random sample,
// cycle after cycle, while the user asks for more.
#include "app/FDispatch.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/RandomDraw.h"
#include "platform/Shell.h"

#include <QCheckBox>

namespace fd {

namespace {

class ManualMode : public DispatchMode {
public:
    std::optional<RunEnd> replaceRun(DispatchRun &run, Stage stage) override
    {
        if (stage != Stage::InsteadOfScan)
            return std::nullopt;
        FDispatch &w = run.w;
        draw::preparePool(run);
        const QStringList pool = w.draw.paths;
        for (;;) {
            const QString out = run.outFolder();
            if (w.stopRequested || !draw::recreateFolder(w, out)) {
                run.stopped = true;
                return RunEnd::Unlock;
            }
            const long long size = draw::setSize(w);
            for (long long n = 1; n <= size; ++n) {
                if (!draw::drawOne(pool, out))
                    return RunEnd::Unlock; // given up at a full disk: this cycle's files stay
                w.setWindowTitle(run.tag() + QStringLiteral("  正在随机分发中") + QString::number(n)
                                 + QLatin1Char('/') + QString::number(size));
                DoEvents();
                if (w.stopRequested) {
                    run.stopped = true;
                    return RunEnd::Unlock;
                }
            }
            if (shell().message(QStringLiteral("本次分发完毕！\r\n是——准备就绪，继续随机分发\r\n否——谢谢了，本次任务完成了！"),
                                QStringLiteral("消息"), Icon::Information, Buttons::YesNo, Answer::Yes)
                != Answer::Yes)
                return RunEnd::Unlock;
        }
    }

    void afterUnlock(DispatchRun &run) override { run.w.ChRndDraw_Click(); }
};

} // namespace

std::unique_ptr<DispatchMode> manualRule() { return std::make_unique<ManualMode>(); }

void FDispatch::ChMamal_Click()
{
    // Once per start: the output folder is wiped at every cycle.
    if (ChMamal->isChecked() && tagOf(ChMamal).isEmpty()) {
        setTag(ChMamal, QStringLiteral("1"));
        shell().message(QStringLiteral("请务必指定分发导出的文件夹为您的专用固定空工作文件夹，否则程序强制删除该文件夹，"
                                       "可能会导致意外事故！"),
                        QStringLiteral("消息"), Icon::Information, Buttons::Ok);
    }
}

} // namespace fd
