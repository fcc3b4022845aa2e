// The update notice at startup: a file "Dispatch.txt" in the work folder names the
// newest version; a fresh copy is fetched from the update location in the background.
#include "update/UpdateNotice.h"
#include "app/FDispatch.h"

#include "platform/Download.h"
#include "platform/Env.h"
#include "platform/Paths.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

namespace fd {

namespace {
const QString kNoticeFile = QStringLiteral("Dispatch.txt");
constexpr int kNoticeTimeoutMs = 8000;
} // namespace

QString announcedVersion(const QByteArray &content)
{
    QString text = QString::fromUtf8(content);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const qsizetype end = text.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    return (end < 0 ? text : text.left(end)).trimmed();
}

void FDispatch::readUpdateNotice()
{
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
    CmdUpdate->setEnabled(true);
    // A border of its own makes the style paint the face in exactly this colour.
    CmdUpdate->setStyleSheet(QStringLiteral("QPushButton#CmdUpdate { background-color: rgb(255, 0, 0); "
                                            "border: 1px solid rgb(128, 0, 0); border-radius: 3px; padding: 4px 16px; }"));
}

void FDispatch::startUpdateNotice()
{
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
