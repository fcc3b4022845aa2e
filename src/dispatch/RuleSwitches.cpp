// The click rules of the rule switches, the same-content pattern box and the
// timer of timed dispatch: the window's side of the distribution rules.
#include "app/FDispatch.h"
#include "dispatch/DispatchRun.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>

namespace fd {

namespace {

const QString kTitle = QStringLiteral("消息");

// Focus leaving CmbSame within the window runs its validation.
class CmbSameFilter : public QObject {
public:
    explicit CmbSameFilter(FDispatch &w) : QObject(&w), w_(w) {}
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o == w_.CmbSame && e->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent *>(e)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                w_.CmbSame_Validate();
        }
        return false;
    }

private:
    FDispatch &w_;
};

} // namespace

void FDispatch::ChInClude_Click()
{
    if (!ChInClude->isChecked())
        return;
    ChOverLay->setChecked(false);
    ChFoldTrunck->setChecked(false);
    ChCustom->setChecked(false);
    ChSame->setChecked(false);
}

void FDispatch::ChOverLay_Click()
{
    if (ChOverLay->isChecked()) {
        ChCustom->setChecked(false);
        ChInClude->setChecked(false);
        ChFoldTrunck->setChecked(false);
        ChSame->setChecked(false);
        TNum->setEnabled(true);
        ChRex->setEnabled(true);
    } else {
        TNum->setEnabled(false);
        ChOmit->setChecked(false);
    }
    TNum->setText(QStringLiteral("2"));
}

void FDispatch::wireSameContent()
{
    connect(ChSame, &QCheckBox::toggled, this, [this] { ChSame_Click(); });
    CmbSame->installEventFilter(new CmbSameFilter(*this));
}

void FDispatch::ChSame_Click()
{
    const bool on = ChSame->isChecked();
    CmbSame->setEnabled(on);
    CmdRex2->setEnabled(on);
    if (on) {
        ChInClude->setChecked(false);
        ChFoldTrunck->setChecked(false);
        ChOverLay->setChecked(false);
        ChCustom->setChecked(false);
        ChSubFold->setChecked(false);
        ChSubFold->setEnabled(false);
        ChRndTime->setChecked(false);
        ChRndTime->setEnabled(false);
    } else {
        ChRndTime->setEnabled(true);
        ChSubFold->setEnabled(true);
    }
}

void FDispatch::CmbSame_Validate()
{
    QString text = CmbSame->currentText();
    text.remove(QStringLiteral("\\|")); // an escaped bar is a literal one
    if (!text.contains(QLatin1Char('|')))
        return;
    shell().message(QStringLiteral("正则表达式中不允许含有独立的|字符！"), kTitle, Icon::Critical, Buttons::Ok);
    CmbSame->setCurrentIndex(0);
    CmbSame->setEditText(CmbSame->itemText(0));
}

void FDispatch::Timer1_Timer()
{
    if (!dispatchRun || !ChRndTime->isChecked()) { // no timed run to feed
        Timer1->stop();
        return;
    }
    timedTick(*dispatchRun);
}

void FDispatch::ChRndTime_Click()
{
    // A run never turns timed halfway (its settings and the move switch would
    // change under it); unticking stays the way to stop a timed one.
    if (dispatchRun && ChRndTime->isChecked() && !dispatchRun->started().timed) {
        const QSignalBlocker quiet(ChRndTime);
        ChRndTime->setChecked(false);
        shell().beep();
        return;
    }
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

void FDispatch::ChRndDraw_Click()
{
    ChMamal->setChecked(false);
    if (ChRndDraw->isChecked()) {
        ChNum->setEnabled(false);
        ChNum->setChecked(false);
        ChBackUp->setChecked(false);
        ChBackUp->setEnabled(false);
        ChRndTime->setChecked(false);
        ChRndTime->setEnabled(false);
        setOption(Option2, false);
        setOption(Option1, false);
        Frame1->setEnabled(false);
        ChMamal->setEnabled(true);
    } else {
        ChMamal->setEnabled(false);
        ChNum->setEnabled(true);
        ChNum->setChecked(false);
        ChBackUp->setChecked(false);
        ChBackUp->setEnabled(true);
        ChRndTime->setChecked(false);
        ChRndTime->setEnabled(true);
        setOption(Option2, false);
        setOption(Option1, true);
        Frame1->setEnabled(true);
    }
}

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
