// The preview of the folder name on the input folder's own file names.
#include "app/FDispatch.h"
#include "dispatch/Port.h"
#include "app/TextNumbers.h"
#include "catalogue/FileList.h"
#include "naming/FolderName.h"
#include "platform/Shell.h"

#include <QLineEdit>
#include <QPushButton>

namespace fd {

namespace {

// The position is kept in both step buttons.
long long previewPosition(const QPushButton *b) { return textnum::wholeValue(tagOf(b)); }

void stepTo(FDispatch &w, long long pos)
{
    setTag(w.CmdUp, QString::number(pos));
    setTag(w.CmdDown, QString::number(pos));
    w.LFilename->setCaption(w.File1->list(int(pos)));
    w.CmdPre_Click();
}

} // namespace

void FDispatch::CmdPre_Click()
{
    if (File1->listCount() == 0) {
        shell().beep();
        return;
    }
    LFoldName->setCaption(tagOf(LFoldName));
    const QString file = LFilename->caption();
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return;
    const PreviewName p = previewNameFor(file.left(dot), port().nameRule());
    switch (p.kind) {
    case PreviewName::Kind::Show:
        LFoldName->setCaption(p.text);
        break;
    case PreviewName::Kind::KeepReset:
        break;
    case PreviewName::Kind::InvalidPattern:
        shell().message(QStringLiteral("正则表达式语法错误，请检查修正！"), QStringLiteral("消息"), Icon::Critical,
                        Buttons::Ok);
        LFoldName->setCaption(tagOf(LFoldName));
        TNewFold->setText(QStringLiteral("(.+)\\-"));
        TNewFold->setFocus(Qt::OtherFocusReason);
        break;
    }
}

void FDispatch::CmdUp_Click()
{
    const long long pos = previewPosition(CmdUp);
    const long long count = File1->listCount();
    if (count == 0 || pos <= 0) {
        shell().beep();
        return;
    }
    stepTo(*this, qMin(pos, count) - 1); // the list may have shrunk since the last step
}

void FDispatch::CmdDown_Click()
{
    const long long pos = previewPosition(CmdDown);
    if (pos >= File1->listCount() - 1) {
        shell().beep();
        return;
    }
    stepTo(*this, qMax(pos, -1LL) + 1);
}

} // namespace fd
