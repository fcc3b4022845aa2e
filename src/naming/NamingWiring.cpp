#include "app/FDispatch.h"
#include "app/TextNumbers.h"

#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>

namespace fd {

namespace {

// Focus rules of TNewFold: the whole text is selected on entry, the pattern is
// checked when the focus moves elsewhere in the window.
class TNewFoldFocus : public QObject {
public:
    explicit TNewFoldFocus(FDispatch &w) : QObject(&w), w_(w) {}

    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::FocusIn) {
            // After the click that brought the focus has placed the caret.
            QMetaObject::invokeMethod(&w_, [this] { w_.TNewFold_GotFocus(); }, Qt::QueuedConnection);
        } else if (e->type() == QEvent::FocusOut && !validating_) {
            const auto reason = static_cast<QFocusEvent *>(e)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && w_.isVisible()) {
                validating_ = true;
                w_.TNewFold_Validate();
                validating_ = false;
            }
        }
        return false;
    }

private:
    FDispatch &w_;
    bool validating_ = false;
};

// Spinner and label move together; the label is what the rules read.
void couple(UpDown *spinner, CaptionLabel *label)
{
    QObject::connect(spinner, &UpDown::valueChanged, label,
                     [label](int v) { label->setCaption(QString::number(v)); });
    QObject::connect(label, &CaptionLabel::captionChanged, spinner,
                     [spinner, label] { spinner->setValue(int(textnum::wholeValue(label->caption()))); });
}

} // namespace

void FDispatch::wireNaming()
{
    couple(UpDown1, LBracketNo);
    couple(UpDown2, LTrunckS);
    couple(UpDown3, LTrunckE);
    // Usable only with the boxes that call for them.
    for (QWidget *c : std::initializer_list<QWidget *>{UpDown1, UpDown2, UpDown3})
        c->setEnabled(false);

    connect(ChFoldTrunck, &QCheckBox::toggled, this, [this] { ChFoldTrunck_Click(); });
    connect(ChTrunck, &QCheckBox::toggled, this, [this] { ChTrunck_Click(); });
    connect(ChTrunckEnd, &QCheckBox::toggled, this, [this] { ChTrunckEnd_Click(); });
    connect(ChReverse, &QCheckBox::toggled, this, [this] { ChReverse_Click(); });
    connect(ChBracketNo, &QCheckBox::toggled, this, [this] { ChBracketNo_Click(); });
    connect(ChOmitRear, &QCheckBox::toggled, this, [this] { ChOmitRear_Click(); });
    connect(LTrunckS, &CaptionLabel::captionChanged, this, [this] { LTrunckS_Change(); });
    TNewFold->installEventFilter(new TNewFoldFocus(*this));
    connect(CmdPre, &QPushButton::clicked, this, [this] { CmdPre_Click(); });
    connect(CmdUp, &QPushButton::clicked, this, [this] { CmdUp_Click(); });
    connect(CmdDown, &QPushButton::clicked, this, [this] { CmdDown_Click(); });
}

} // namespace fd
