// The folders of the output list: every one, those whose names begin with the
// file's base name, or those sharing characters with it.
#include "app/FDispatch.h"
#include "app/TextNumbers.h"
#include "dispatch/DispatchRun.h"
#include "outputs/FlexGrid.h"
#include "platform/Paths.h"
#include "platform/RawFile.h"

#include <QCheckBox>
#include <QLineEdit>

namespace fd {

namespace {

class MatchingMode : public DispatchMode {
public:
    explicit MatchingMode(ModeKind kind) : kind_(kind) {}

    QString firstPassPhrase(const DispatchRun &) const override { return QStringLiteral("  读取原文件中："); }
    QString secondPassPhrase(const DispatchRun &) const override { return QStringLiteral("  正在复制..."); }

    bool dispatchOne(DispatchRun &run, const QString &source, long long) override
    {
        FDispatch &w = run.w;
        run.lastTransferOk = false;
        const QString namePart = namePartOf(source);
        const QString base = baseOfNamePart(namePart);
        const bool omit = w.ChOmit->isChecked();
        const int n = int(textnum::wholeValue(w.TNum->text()));
        for (int j = 1; j < w.MSFlexGrid1->rows(); ++j) {
            const QString folder = w.MSFlexGrid1->textMatrix(j, 0);
            const QString name = w.MSFlexGrid1->textMatrix(j, 1);
            if (kind_ == ModeKind::GridInclude && !includeSuits(base, name, omit))
                continue;
            if (kind_ == ModeKind::GridCommon && !commonSuits(base, name, n, omit))
                continue;
            QString dst = paths::join(folder, namePart.mid(1));
            const TransferResult r = run.transfer(source, dst);
            if (r.failed) {
                run.recordFailure(source, dst);
                run.lastTransferOk = false;
            } else if (r.copied) {
                run.lastTransferOk = true;
            }
        }
        if (run.moving() && run.lastTransferOk)
            raw::remove(source); // a failing deletion leaves the file
        return true;
    }

private:
    ModeKind kind_;
};

} // namespace

std::unique_ptr<DispatchMode> gridRule(ModeKind kind) { return std::make_unique<MatchingMode>(kind); }

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

} // namespace fd
