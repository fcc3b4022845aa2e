// The update notice at startup: a file "Dispatch.txt" in the work folder names the
// newest version; a fresh copy is fetched from the update location in the background.
// Startup also settles what an earlier update left: a swap cut short, or the
// reason the companion gave up.
#include "update/UpdateNotice.h"
#include "app/FDispatch.h"

#include "platform/Download.h"
#include "platform/Env.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "update/SwapJournal.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace fd {

namespace {
const QString kNoticeFile = QStringLiteral("Dispatch.txt");
constexpr int kNoticeTimeoutMs = 8000;

// What the update keeps between clicks, owned by the window.
class UpdateState : public QObject {
public:
    explicit UpdateState(QObject *parent) : QObject(parent) { setObjectName(QStringLiteral("updateState")); }
    bool downloadFailed = false;
    bool duringRun = false;
    bool noticeWaiting = false; // news that came during a run
};

UpdateState &state(FDispatch &w)
{
    auto *s = static_cast<UpdateState *>(w.findChild<QObject *>(QStringLiteral("updateState"), Qt::FindDirectChildrenOnly));
    return s ? *s : *new UpdateState(&w);
}

void enableUpdate(FDispatch &w)
{
    state(w).downloadFailed = false;
    w.CmdUpdate->setEnabled(true);
    // A border of its own makes the style paint the face in exactly this colour.
    w.CmdUpdate->setStyleSheet(QStringLiteral("QPushButton#CmdUpdate { background-color: rgb(255, 0, 0); "
                                              "border: 1px solid rgb(128, 0, 0); border-radius: 3px; padding: 4px 16px; }"));
}

// Shown once, after the window is up.
void tellLater(FDispatch &w, const QString &text)
{
    QTimer::singleShot(0, &w, [text] { shell().message(text, QStringLiteral("消息"), Icon::Information, Buttons::Ok); });
}

void settleEarlierUpdate(FDispatch &w)
{
    const QString kept = QStringLiteral("更新未完成，已保留原来的版本：");
    QString why;
    switch (swap::recover(programFolder(), &why)) {
    case swap::Outcome::RolledBack:
        tellLater(w, kept + QStringLiteral("更新被中断") + (why.isEmpty() ? QString() : QStringLiteral("，") + why));
        return; // the companion's note, if any, says less than this
    case swap::Outcome::Failed:
        tellLater(w, QStringLiteral("更新被中断，程序文件未能全部恢复：") + why);
        return;
    case swap::Outcome::Finished:
    case swap::Outcome::Nothing:
        break;
    }
    QFile note(swap::failureNoteFile(w.startup.workFolder));
    if (!note.open(QIODevice::ReadOnly))
        return;
    const QString reason = QString::fromUtf8(note.readAll()).trimmed();
    note.close();
    note.remove();
    tellLater(w, kept + (reason.isEmpty() ? QStringLiteral("原因不明") : reason));
}

} // namespace

QString announcedVersion(const QByteArray &content)
{
    QString text = QString::fromUtf8(content);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return (end < 0 ? text : text.left(end)).trimmed();
}

bool updateBlocksDispatch(FDispatch &w) { return w.CmdUpdate->isEnabled() && !state(w).downloadFailed; }

void markUpdateFailed(FDispatch &w) { state(w).downloadFailed = true; }

UpdateLockDuringRun::UpdateLockDuringRun(FDispatch &w) : w_(w), wasEnabled_(w.CmdUpdate->isEnabled())
{
    state(w_).duringRun = true;
    w_.CmdUpdate->setEnabled(false);
}

UpdateLockDuringRun::~UpdateLockDuringRun()
{
    UpdateState &s = state(w_);
    s.duringRun = false;
    if (s.noticeWaiting) {
        s.noticeWaiting = false;
        enableUpdate(w_);
    } else if (wasEnabled_) {
        w_.CmdUpdate->setEnabled(true);
    }
}

void FDispatch::readUpdateNotice()
{
    // Without a location no update can succeed: a leftover file announces nothing.
    if (updateLocation().isEmpty())
        return;
    const QString path = paths::join(startup.workFolder, kNoticeFile);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QString newest = announcedVersion(f.readAll());
    f.close();
    QFile::remove(path); // a failure to delete changes nothing
    // An empty first line announces nothing (a blank or cut-off file).
    if (newest.isEmpty() || newest == TV->text())
        return;
    if (state(*this).duringRun)
        state(*this).noticeWaiting = true;
    else
        enableUpdate(*this);
}

void FDispatch::startUpdateNotice()
{
    settleEarlierUpdate(*this);
    readUpdateNotice();
    const QString location = updateLocation();
    if (location.isEmpty())
        return;
    fetchInBackground(this, updateFileUrl(location, kNoticeFile), paths::join(startup.workFolder, kNoticeFile),
                      kNoticeTimeoutMs, [this](bool ok) {
                          if (ok)
                              readUpdateNotice();
                      });
}

} // namespace fd
