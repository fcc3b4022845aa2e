// Timed random dispatch: the run prepares a shuffled list and waits; each tick of
// Timer1 copies (or moves) the next few files flat into the output folder.
#include "app/Events.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/Port.h"
#include "dispatch/Rules.h"
#include "dispatch/Timed.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <QThread>

namespace fd {

namespace {

class TimedMode : public DispatchMode {
public:
    bool rebuildsCatalogue() const override { return true; }

    QString firstPassPhrase(const DispatchRun &run) const override
    {
        return run.port.sequential() ? QStringLiteral("  文件顺序分发中：") : QStringLiteral("  文件随机抽提中：");
    }

    // The ticks dispatch; the run waits, the window responsive, until one stops the timer.
    std::optional<RunEnd> betweenPasses(DispatchRun &run) override
    {
        Port &port = run.port;
        if (run.lastIndex >= 0)
            port.startTicks(-1);
        port.setTitle(run.tag());
        while (port.ticking() && !port.stopRequested()) {
            DoEvents();
            QThread::msleep(2);
        }
        port.stopTicks();
        if (port.stopRequested()) { // the window is closing
            run.stopped = true;
            return RunEnd::CloseLog;
        }
        // The switch turned off before the last file: not a completed run.
        const long long handedOut = qMin(port.tickPosition(), run.lastIndex + 1);
        if (handedOut <= run.lastIndex) {
            shell().message(QStringLiteral("定时分发已中止！\r\n已分发%1个文件，另有%2个文件未分发，仍在原处。")
                                .arg(handedOut)
                                .arg(run.lastIndex + 1 - handedOut),
                            QStringLiteral("消息"), Icon::Warning, Buttons::Ok);
            return RunEnd::CloseLog;
        }
        return RunEnd::Report;
    }

    void tick(DispatchRun &run)
    {
        if (ticking_) // a copy lets events through; ticks never overlap
            return;
        ticking_ = true;
        Port &port = run.port;
        const int next = timed::drawSeconds({port.timedLowSeconds(), port.timedHighSeconds()}, rnd())
                       * timerMsPerSecond();
        // The pause before the next tick starts when this one is over.
        port.stopTicks();
        bool more = true;
        const long long perTick = qMax(1LL, port.shares().perFolder);
        const long long last = run.lastIndex;
        const QVector<RunEntry> &runList = port.catalogue().runList;
        for (long long n = 0; n < perTick && more; ++n) {
            const long long p = port.tickPosition();
            if (p > last) { // nothing left to hand out
                more = false;
                break;
            }
            const QString source = p < runList.size() ? runList[p].path : QString();
            QString destination = paths::join(run.outFolder(), namePartOf(source));
            // A file moved here earlier in this run is never replaced: the transfer
            // refuses, and the file is counted and logged like any that failed.
            const TransferResult r = run.moving() ? Move(source, destination, Clash::Overwrite, DiskFull::GiveUp)
                                                  : Transfer(source, destination, Clash::Overwrite, DiskFull::GiveUp);
            if (r.failed) {
                if (!run.log.isOpen())
                    run.log.open();
                run.recordFailure(source, destination);
            }
            port.setTitle(run.tag() + QStringLiteral("  正在随机移动文件中...") + QString::number(p)
                          + QLatin1Char('/') + QString::number(last));
            port.setTickPosition(p + 1);
            more = p < last && !port.stopRequested();
        }
        flushTransfers(); // a tick's moves do not wait for the next one
        if (more)
            port.startTicks(next);
        ticking_ = false;
    }

private:
    bool ticking_ = false;
};

} // namespace

std::unique_ptr<DispatchMode> timedRule() { return std::make_unique<TimedMode>(); }

void timedTick(DispatchRun &run) { static_cast<TimedMode &>(run.mode(ModeKind::Timed)).tick(run); }

} // namespace fd
