// Share settings: files per share, number of shares, common characters, the mode
// buttons Opt1 / Opt2 and the file-count rule.
#include "app/FDispatch.h"

#include "catalogue/CatalogueModel.h"
#include "app/TextNumbers.h"
#include "outputs/Walk.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>

namespace fd {

using textnum::shortestDecimal;
using textnum::valueOf;

namespace {

constexpr int kBackspace = 8;

// Key presses and focus loss of the three share fields, handed to the window's rules.
class ShareFieldFilter : public QObject {
public:
    explicit ShareFieldFilter(FDispatch *w) : QObject(w), w_(w) {}

    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress)
            return keyPress(o, static_cast<QKeyEvent *>(e));
        if (e->type() == QEvent::FocusOut) {
            // Switching to another window is not leaving the field.
            const auto reason = static_cast<QFocusEvent *>(e)->reason();
            if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
                return false;
            if (o == w_->TParts)
                w_->TParts_Validate();
            else if (o == w_->TDivs)
                validateTDivs();
            else if (o == w_->TNum)
                w_->TNum_Validate();
        }
        return false;
    }

private:
    void validateTDivs()
    {
        if (!w_->ChRndTime->isChecked()) {
            w_->TDivs_Validate();
            return;
        }
        bool cancel = false;
        w_->TDivs_ValidateTimed(cancel);
        if (cancel) // back into the field once the focus change is over
            QTimer::singleShot(0, w_->TDivs, [f = w_->TDivs] { f->setFocus(Qt::OtherFocusReason); });
    }

    bool keyPress(QObject *o, QKeyEvent *k)
    {
        auto *field = static_cast<QLineEdit *>(o);
        if (k->matches(QKeySequence::Paste)) {
            for (QChar c : QGuiApplication::clipboard()->text())
                typeOne(field, c.unicode(), true);
            return true;
        }
        // Only keys that type a character are filtered; moving, deleting and
        // leaving the field stay possible.
        int ascii = 0;
        if (k->key() == Qt::Key_Backspace)
            ascii = kBackspace;
        else if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab || k->key() == Qt::Key_Delete)
            return false;
        else if (!k->text().isEmpty())
            ascii = k->text().at(0).unicode();
        else
            return false;
        return !typeOne(field, ascii, false);
    }

    // The field's rule and its length limit for one typed character; true when it
    // may enter. With insert set it is put into the field here.
    bool typeOne(QLineEdit *field, int ascii, bool insert)
    {
        int passed = ascii;
        if (field == w_->TParts)
            passed = w_->TParts_KeyPress(ascii);
        else if (field == w_->TDivs)
            passed = w_->TDivs_KeyPress(ascii);
        else if (field == w_->TNum)
            passed = w_->TNum_KeyPress(ascii);
        if (passed == 0)
            return false;
        if (passed != kBackspace
            && field->text().size() - field->selectedText().size() >= typedLimit(field))
            return false;
        if (insert) {
            if (passed == kBackspace)
                field->backspace();
            else
                field->insert(QString(QChar(passed)));
        }
        return true;
    }

    // Limits apply to typing only: values the program derives are written whole.
    int typedLimit(const QLineEdit *field) const { return field == w_->TNum ? 3 : 6; }

    FDispatch *w_;
};

int digitsOnly(int keyAscii, bool dashToo)
{
    if ((keyAscii >= '0' && keyAscii <= '9') || keyAscii == kBackspace || (dashToo && keyAscii == '-'))
        return keyAscii;
    shell().beep();
    return 0;
}

void selectAllAndFocus(QLineEdit *e)
{
    e->selectAll();
    e->setFocus(Qt::OtherFocusReason);
}

} // namespace

void FDispatch::wireShares()
{
    auto *filter = new ShareFieldFilter(this);
    for (QLineEdit *e : {TParts, TDivs, TNum})
        e->installEventFilter(filter);
    connect(TParts, &QLineEdit::textChanged, this, [this] { TParts_Change(); });
    connect(TDivs, &QLineEdit::textChanged, this, [this] { TDivs_Change(); });
    connect(Opt1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Opt1_Click();
    });
    connect(Opt2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Opt2_Click();
    });
    connect(LFiles, &CaptionLabel::captionChanged, this, [this] { LFiles_Change(); });
}

int FDispatch::TParts_KeyPress(int keyAscii) { return digitsOnly(keyAscii, false); }

int FDispatch::TDivs_KeyPress(int keyAscii)
{
    // In timed mode the field holds a range of seconds such as 1-3.
    return digitsOnly(keyAscii, ChRndTime->isChecked());
}

int FDispatch::TNum_KeyPress(int keyAscii) { return digitsOnly(keyAscii, false); }

void FDispatch::TParts_Change()
{
    if (valueOf(TParts->text()) == 0)
        TParts->setText(QStringLiteral("1"));
}

void FDispatch::TParts_Validate()
{
    const double v = std::fabs(valueOf(TParts->text()));
    TParts->setText(shortestDecimal(v));
    if (!(v > 0))
        TParts->setText(QStringLiteral("50"));
    // Files per share never exceed the file count.
    if (valueOf(LFiles->caption()) <= valueOf(TParts->text()))
        TParts->setText(LFiles->caption());
}

void FDispatch::TDivs_Change()
{
    if (!isVisible())
        return;
    if (ChRndTime->isChecked()) {
        bool cancel = false;
        TDivs_ValidateTimed(cancel);
        return;
    }
    const auto files = textnum::wholeNumber(LFiles->caption());
    const auto shares = textnum::wholeNumber(TDivs->text());
    if (files && shares && *shares != 0)
        TParts->setText(QString::number(textnum::shareSize(*files, *shares)));
    if (valueOf(TDivs->text()) == 0)
        TDivs->setText(QStringLiteral("1")); // runs this rule again
}

void FDispatch::TDivs_Validate()
{
    if (ChRndTime->isChecked()) {
        bool cancel = false; // only leaving the field is held back
        TDivs_ValidateTimed(cancel);
        return;
    }
    const double v = std::fabs(valueOf(TDivs->text()));
    TDivs->setText(shortestDecimal(v));
    if (!(v > 0))
        TDivs->setText(QStringLiteral("1"));
    // Never more shares than files.
    if (valueOf(LFiles->caption()) <= valueOf(TDivs->text()))
        TDivs->setText(LFiles->caption());
}

void FDispatch::TNum_Validate()
{
    const double v = valueOf(TNum->text());
    TNum->setText(shortestDecimal(v));
    if (v < 1 || v > 200)
        TNum->setText(QStringLiteral("2"));
}

void FDispatch::Opt1_Click()
{
    applyStates({
        //             checked  enabled
        {ChRndDraw,    false,   true},
        {ChNum,        false,   true},
        {Frame2,                false},
        {ChCustom,     false,   false},
        {ChFoldTrunck, false,   false},
        {ChOmit,       false,   false},
        {TParts,                true},
    });
    TParts->setText(QStringLiteral("50"));
    TParts_Validate();
    selectAllAndFocus(TParts);
    TDivs->setEnabled(false);
    if (valueOf(LFiles->caption()) != 0)
        CmdDo->setEnabled(true);
    // ChSame first: unchecking it enables ChSubFold again.
    applyStates({
        //             checked  enabled
        {Option1,               true},
        {Option2,               true},
        {ChSame,       false,   false},
        {ChSubFold,    false,   false},
        {ChInClude,    false,   false},
        {ChOverLay,    false,   false},
    });
}

void FDispatch::Opt2_Click()
{
    applyStates({
        //             checked  enabled
        {ChRndDraw,    false,   false},
        {ChNum,        false,   true},
        {Frame2,                false},
        {ChCustom,     false,   false},
        {ChFoldTrunck, false,   false},
        {ChOmit,       false,   false},
        {TParts,                false},
        {TDivs,                 true},
    });
    TDivs->setText(QStringLiteral("5"));
    TDivs_Validate();
    selectAllAndFocus(TDivs);
    if (valueOf(LFiles->caption()) != 0)
        CmdDo->setEnabled(true);
    applyStates({
        //             checked  enabled
        {Option1,               true},
        {Option2,               true},
        {ChSubFold,    false,   false},
        {ChInClude,    false,   false},
        {ChOverLay,    false,   false},
    });
    TDivs_Change();
}

void FDispatch::LFiles_Change()
{
    if (Opt1->isChecked())
        TParts_Validate();
    else
        TDivs_Validate();
    const double count = valueOf(LFiles->caption());
    CmdDo->setEnabled(count != 0 || ChSubFold->isChecked());
    if (count < 0) {
        // The quick count overflowed: count the whole catalogue instead.
        cat.count = 0;
        cat.pathList.clear();
        cat.runList.clear();
        catalogue->clear();
        LongOperation busy(*this);
        WalkFolder(port(), LDir->caption(), WalkPurpose::Catalogue);
        setWindowTitle(windowTag());
        LFiles->setCaption(QString::number(cat.count)); // runs this rule again
    }
    TDivs_Change();
}

} // namespace fd
