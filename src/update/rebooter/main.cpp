// The update companion. Started by the program with one parameter text of four
// tab-separated fields (archive path, "1" to restart, program file name, window
// caption), it waits until the program has ended, installs the archive into its
// own folder, removes the archive and starts the program again. A failure is
// left in a note beside the archive, which the program shows at its next start.
#include "platform/InstanceGuard.h"
#include "platform/Launch.h"
#include "platform/UpdatePlatform.h"
#include "update/SwapJournal.h"
#include "update/rebooter/Install.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>

#include <clocale>
#include <cstdio>
#ifndef _WIN32
#include <langinfo.h>
#endif

namespace {

constexpr int kWaitForProgramMs = 120000;

void say(const QString &text) { std::fprintf(stderr, "STRebooter: %s\n", text.toLocal8Bit().constData()); }

// Archive entry names are read and written as UTF-8 whatever the caller's locale.
void useUtf8Names()
{
#ifndef _WIN32
    std::setlocale(LC_ALL, "");
    if (QByteArray(nl_langinfo(CODESET)) != "UTF-8")
        std::setlocale(LC_CTYPE, "C.UTF-8");
#endif
}

void leaveNote(const QString &note, const QString &why)
{
    say(QStringLiteral("update abandoned, the program is unchanged: ") + why);
    QSaveFile f(note);
    if (!f.open(QIODevice::WriteOnly) || f.write(why.toUtf8()) < 0 || !f.commit())
        say(QStringLiteral("cannot write ") + note);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    useUtf8Names();
    const QStringList args = QCoreApplication::arguments();
    const QStringList fields = args.size() > 1 ? args.at(1).split(QLatin1Char('\t')) : QStringList();
    if (fields.size() < 4) {
        say(QStringLiteral("expects one argument: archive, restart flag, program and caption separated by tabs"));
        return 2;
    }
    const QString archive = fields.at(0);
    const bool restart = fields.at(1) == QLatin1String("1");
    const QString program = fields.at(2);
    const QString folder = QCoreApplication::applicationDirPath();
    const QString note = fd::swap::failureNoteFile(QFileInfo(archive).absolutePath());

    // The program holds its single-copy lock while it runs: taking it means it has ended.
    QLockFile lock(fd::LockFileGuard::lockPath());
    lock.setStaleLockTime(0);
    if (!lock.tryLock(kWaitForProgramMs)) {
        leaveNote(note, QStringLiteral("程序没有退出，更新无法进行"));
        return 3;
    }
    QString why;
    rebooter::InstallResult r = rebooter::InstallResult::Failed;
    // A copy the package manager installed is its to update, even when run as root.
    if (fd::packageManaged(folder))
        why = QStringLiteral("此程序由软件包管理器安装，请用软件包管理器更新");
    else
        r = rebooter::installArchive(archive, folder, &why);
    if (r == rebooter::InstallResult::Installed)
        QFile::remove(note); // an older failure is settled now
    else
        leaveNote(note, why);
    QFile::remove(archive);
    lock.unlock();

    // Only a plain file name beside the companion is started.
    const bool plainName = !program.isEmpty() && !program.contains(QLatin1Char('/'))
        && !program.contains(QLatin1Char('\\')) && program != QLatin1String("..");
    if (restart && plainName && !fd::startDetachedProgram(QDir(folder).filePath(program), folder))
        say(QStringLiteral("cannot start ") + program);
    return r == rebooter::InstallResult::Installed ? 0 : 1;
}
