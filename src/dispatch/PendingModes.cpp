// Rules this build does not have yet. Each is refused with its caption and
// touches no file; its own file replaces it here when it is built.
#include "app/FDispatch.h"
#include "dispatch/DispatchRun.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QThread>
#include <QTimer>

namespace fd {

namespace {

void refuse(const QString &caption)
{
    shell().message(QStringLiteral("此分发方式尚未提供：") + caption + QStringLiteral("。本次未分发任何文件。"),
                    QStringLiteral("消息"), Icon::Warning, Buttons::Ok);
}

class Pending : public DispatchMode {
public:
    explicit Pending(QCheckBox *FDispatch::*control) : control_(control) {}
    bool available() const override { return false; }
    QString caption(const FDispatch &w) const override { return (w.*control_)->text(); }

private:
    QCheckBox *FDispatch::*control_;
};

// Random draw is only met on the path without a rebuild; it refuses there.
class PendingDraw : public DispatchMode {
public:
    std::optional<RunEnd> replaceRun(DispatchRun &run, Stage stage) override
    {
        if (stage != Stage::InsteadOfScan)
            return std::nullopt;
        refuse(run.w.ChRndDraw->text());
        run.stopped = true; // nothing was drawn: no folder to show
        return RunEnd::Unlock;
    }
};

class PendingTimed : public Pending {
public:
    PendingTimed() : Pending(&FDispatch::ChRndTime) {}
    bool rebuildsCatalogue() const override { return true; }
    QString firstPassPhrase(const DispatchRun &run) const override
    {
        return run.w.ChNum->isChecked() ? QStringLiteral("  文件顺序分发中：") : QStringLiteral("  文件随机抽提中：");
    }
    // The ticks of Timer1 dispatch; the run waits until one stops it.
    std::optional<RunEnd> betweenPasses(DispatchRun &run) override
    {
        FDispatch &w = run.w;
        w.Timer1->start();
        w.setWindowTitle(run.tag());
        while (w.Timer1->isActive()) {
            DoEvents();
            QThread::msleep(2);
        }
        return RunEnd::Report;
    }
};

} // namespace

std::unique_ptr<DispatchMode> newFolderRule() { return std::make_unique<Pending>(&FDispatch::ChFoldTrunck); }
std::unique_ptr<DispatchMode> sameContentRule() { return std::make_unique<Pending>(&FDispatch::ChSame); }
std::unique_ptr<DispatchMode> randomDrawRule(bool) { return std::make_unique<PendingDraw>(); }
std::unique_ptr<DispatchMode> timedRule() { return std::make_unique<PendingTimed>(); }
std::unique_ptr<DispatchMode> sweepRule() { return std::make_unique<Pending>(&FDispatch::ChFJ); }

} // namespace fd
