// Timed random dispatch: the run prepares a shuffled list and waits; each tick of
// Timer1 copies (or moves) the next few files flat into the output folder.
#include "app/FDispatch.h"
#include "app/TextNumbers.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/Rules.h"
#include "dispatch/Timed.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/RawFile.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSet>
#include <QThread>
#include <QTimer>

namespace fd {

namespace {

class TimedMode : public DispatchMode {
public:
    bool rebuildsCatalogue() const override { return true; }

    QString firstPassPhrase(const DispatchRun &run) const override
    {
        return run.w.ChNum->isChecked() ? QStringLiteral("  文件顺序分发中：") : QStringLiteral("  文件随机抽提中：");
    }

    // The ticks dispatch; the run waits, the window responsive, until one stops the timer.
    std::optional<RunEnd> betweenPasses(DispatchRun &run) override
    {
        FDispatch &w = run.w;
        if (run.lastIndex >= 0)
            w.Timer1->start();
        w.setWindowTitle(run.tag());
        while (w.Timer1->isActive() && !w.stopRequested) {
            DoEvents();
            QThread::msleep(2);
        }
        w.Timer1->stop();
        if (w.stopRequested) { // the window is closing
            run.stopped = true;
            return RunEnd::CloseLog;
        }
        return RunEnd::Report;
    }

    void tick(DispatchRun &run)
    {
        if (ticking_) // a copy lets events through; ticks never overlap
            return;
        ticking_ = true;
        FDispatch &w = run.w;
        const int next = timed::drawSeconds({w.timedLow, w.timedHigh}, rnd()) * timerMsPerSecond();
        // The pause before the next tick starts when this one is over.
        w.Timer1->stop();
        bool more = true;
        const long long perTick = qMax(1LL, textnum::wholeValue(w.TParts->text()));
        const long long last = run.lastIndex;
        for (long long n = 0; n < perTick && more; ++n) {
            const long long p = textnum::wholeValue(tagOf(w.Timer1));
            if (p > last) { // nothing left to hand out
                more = false;
                break;
            }
            const QString source = p < w.cat.runList.size() ? w.cat.runList[p].path : QString();
            QString destination = paths::join(run.outFolder(), namePartOf(source));
            const bool moving = run.moving();
            // A file moved here earlier in this run is never replaced: it exists nowhere else.
            TransferResult r;
            if (!(moving && moved_.contains(destination)))
                r = Transfer(source, destination, Clash::Overwrite, DiskFull::GiveUp);
            w.setWindowTitle(run.tag() + QStringLiteral("  正在随机移动文件中...") + QString::number(p)
                             + QLatin1Char('/') + QString::number(last));
            if (moving && r.copied) {
                raw::remove(source); // a failing deletion leaves the file
                moved_.insert(destination);
            }
            setTag(w.Timer1, QString::number(p + 1));
            more = p < last && !w.stopRequested;
        }
        if (more)
            w.Timer1->start(next);
        ticking_ = false;
    }

private:
    bool ticking_ = false;
    QSet<QString> moved_;
};

} // namespace

std::unique_ptr<DispatchMode> timedRule() { return std::make_unique<TimedMode>(); }

void FDispatch::Timer1_Timer()
{
    if (!dispatchRun || !ChRndTime->isChecked()) { // no timed run to feed
        Timer1->stop();
        return;
    }
    static_cast<TimedMode &>(dispatchRun->mode(ModeKind::Timed)).tick(*dispatchRun);
}

void FDispatch::ChRndTime_Click()
{
    if (ChRndTime->isChecked()) {
        setOption(Option1, true);
        Opt1->setEnabled(false);
        Opt2->setEnabled(false);
        Opt3->setEnabled(false);
        ChBackUp->setChecked(true);
        Label3->setText(QStringLiteral("每次分发/个："));
        Label4->setText(QStringLiteral("间隔时间/秒："));
        TParts->setText(QStringLiteral("1"));
        TParts->setEnabled(true);
        if (TDivs->text() == QLatin1String("1-3")) {
            bool cancel = false; // no change rule for an unchanged text: validate it here
            TDivs_ValidateTimed(cancel);
        } else {
            TDivs->setText(QStringLiteral("1-3"));
        }
        ChHide->setChecked(false);
        ChHide->setEnabled(false);
        Option1->setEnabled(false);
        Option2->setEnabled(false);
        ChOmit->setEnabled(false);
        ChOmit->setChecked(false);
    } else {
        ChOmit->setEnabled(true);
        Option1->setEnabled(true);
        Option2->setEnabled(true);
        ChHide->setEnabled(true);
        ChBackUp->setChecked(false);
        Opt1->setEnabled(true);
        Opt2->setEnabled(true);
        Opt3->setEnabled(true);
        TParts->setEnabled(false);
        Label3->setText(QStringLiteral("每份抽取："));
        Label4->setText(QStringLiteral("均分份数："));
        TParts->setText(QStringLiteral("50"));
        TDivs->setText(QStringLiteral("5"));
    }
}

} // namespace fd
