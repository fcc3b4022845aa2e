// The frame "截取设置：": which boxes exclude each other, which spinners and fields
// are usable in which variant, and the check of the pattern.
#include "app/FDispatch.h"
#include "app/TextNumbers.h"
#include "catalogue/FileList.h"
#include "catalogue/InputFolder.h"
#include "naming/FolderName.h"
#include "outputs/FlexGrid.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace fd {

void FDispatch::ChFoldTrunck_Click()
{
    const bool on = ChFoldTrunck->isChecked();
    // Remembered when the rule is turned on, so turning it off gives it back.
    if (on)
        cmdDoBeforeFoldTrunck = CmdDo->isEnabled();
    TNewFold->setText(QStringLiteral("(.+)(\\-)"));
    if (on) {
        ChCustom->setChecked(false);
        ChTrunck->setChecked(false);
        Frame2->setVisible(true);
        MSFlexGrid1->setVisible(false);
        ChInClude->setChecked(false);
        ChOverLay->setChecked(false);
        CmdDo->setEnabled(true);
        File1->setPath(LDir->caption());
        File1->setPattern(listingPatternFor(Combo1->currentText()));
        ChSame->setChecked(false);
    } else {
        Frame2->setVisible(false);
        MSFlexGrid1->setVisible(true);
        CmdDo->setEnabled(cmdDoBeforeFoldTrunck);
    }
    if (File1->listCount() > 0 || textnum::wholeValue(LFiles->caption()) != 0)
        LFilename->setCaption(File1->list(0));
    else
        LFilename->setCaption(tagOf(LFilename));
}

void FDispatch::ChTrunck_Click()
{
    const bool on = ChTrunck->isChecked();
    LTrunckS->setCaption(QStringLiteral("1"));
    LTrunckE->setCaption(QStringLiteral("6"));
    ChReverse->setChecked(false);
    ChTrunckEnd->setChecked(false);
    TNewFold->setText(QStringLiteral("(\\.+)(\\-)"));
    setTag(TNewFold, QStringLiteral("2"));
    for (QWidget *c : std::initializer_list<QWidget *>{UpDown2, UpDown3, ChTrunckEnd, ChReverse})
        c->setEnabled(on);
    if (on) {
        ChOmitRear->setChecked(false);
        ChDraw->setChecked(false);
        ChBracketNo->setChecked(false);
        ChBracketNo->setEnabled(false);
        TNewFold->setEnabled(false);
        LBracketNo->setCaption(QStringLiteral("1"));
        UpDown1->setEnabled(false);
    } else {
        TNewFold->setEnabled(true);
        ChDraw->setChecked(true);
        ChBracketNo->setEnabled(true);
    }
}

void FDispatch::ChTrunckEnd_Click() { UpDown3->setEnabled(!ChTrunckEnd->isChecked()); }

void FDispatch::ChReverse_Click()
{
    ChTrunckEnd->setText(ChReverse->isChecked() ? QStringLiteral("截至开头") : QStringLiteral("截至末尾"));
}

void FDispatch::ChBracketNo_Click()
{
    LBracketNo->setCaption(QStringLiteral("1"));
    const bool on = ChBracketNo->isChecked();
    UpDown1->setEnabled(on);
    if (on)
        ChOmitRear->setChecked(false);
}

void FDispatch::ChOmitRear_Click()
{
    if (!ChOmitRear->isChecked())
        return;
    ChBracketNo->setChecked(false);
    ChTrunck->setChecked(false);
}

// M never below N.
void FDispatch::LTrunckS_Change()
{
    const long long n = textnum::wholeValue(LTrunckS->caption());
    UpDown3->setMinimum(int(qBound(0LL, n, 200LL)));
    if (textnum::wholeValue(LTrunckE->caption()) < n)
        LTrunckE->setCaption(LTrunckS->caption());
}

void FDispatch::TNewFold_GotFocus() { TNewFold->selectAll(); }

// A warning only: the text stays as typed and the focus moves on.
void FDispatch::TNewFold_Validate()
{
    const PatternCheck c = checkNamePattern(TNewFold->text());
    if (c.warn)
        shell().message(QStringLiteral("您编制的正则表达式可能有误，建议检查修正。"), QStringLiteral("消息"),
                        Icon::Critical, Buttons::Ok);
    setTag(TNewFold, QString::number(c.groups));
    ChBracketNo->setEnabled(c.groups != 0);
    UpDown1->setMaximum(c.groups);
}

} // namespace fd
