#include "update/SwapJournal.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>
#include <QVector>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace fd::swap {

namespace {

const QByteArray kHeader = "update swap 1\n";

struct Item {
    QString rel;
    bool replaces = false; // an old file stood there
};

struct Journal {
    bool forward = true;
    QStringList dirs; // made by the swap, parents first
    QVector<Item> items;
};

std::filesystem::path fsPath(const QString &p)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(QDir::toNativeSeparators(p).toStdWString());
#else
    const QByteArray b = QFile::encodeName(p);
    return std::filesystem::path(std::string(b.constData(), size_t(b.size())));
#endif
}

// True for anything at p, a dangling link included.
bool present(const QString &p)
{
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(fsPath(p), ec));
}

// One atomic step: to is replaced by from, never missing in between.
bool renameOver(const QString &from, const QString &to)
{
    std::error_code ec;
    std::filesystem::rename(fsPath(from), fsPath(to), ec);
    return !ec;
}

// Tests stop the companion here to kill it at a chosen step.
void checkpoint()
{
    static const int stopAt = qEnvironmentVariableIsSet("FDISPATCH_SWAP_STOP_AFTER")
        ? qEnvironmentVariableIntValue("FDISPATCH_SWAP_STOP_AFTER")
        : -1;
    static int step = 0;
    if (stopAt >= 0 && step == stopAt) {
        std::fprintf(stderr, "swap stopped\n");
        std::fflush(stderr);
        for (;;)
            QThread::sleep(60);
    }
    ++step;
}

QString joined(const QString &root, const QString &rel) { return QDir(root).filePath(rel); }

bool writeJournal(const QString &root, const Journal &j)
{
    QByteArray out = kHeader;
    out += j.forward ? "forward\n" : "back\n";
    for (const QString &d : j.dirs)
        out += "dir " + d.toUtf8().toPercentEncoding() + '\n';
    for (const Item &i : j.items)
        out += (i.replaces ? "replace " : "add ") + i.rel.toUtf8().toPercentEncoding() + '\n';
    QSaveFile f(journalFile(root));
    return f.open(QIODevice::WriteOnly) && f.write(out) == out.size() && f.commit();
}

bool readJournal(const QString &root, Journal &j)
{
    QFile f(journalFile(root));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = f.readAll().split('\n');
    if (lines.size() < 2 || lines.at(0) + '\n' != kHeader)
        return false;
    if (lines.at(1) != "forward" && lines.at(1) != "back")
        return false;
    j.forward = lines.at(1) == "forward";
    for (qsizetype n = 2; n < lines.size(); ++n) {
        const QByteArray &l = lines.at(n);
        if (l.isEmpty())
            continue;
        const qsizetype space = l.indexOf(' ');
        const QByteArray kind = l.left(space);
        const QString rel = QString::fromUtf8(QByteArray::fromPercentEncoding(l.mid(space + 1)));
        if (space <= 0 || rel.isEmpty())
            return false;
        if (kind == "dir")
            j.dirs << rel;
        else if (kind == "replace" || kind == "add")
            j.items.append({rel, kind == "replace"});
        else
            return false;
    }
    return true;
}

// True when no folder between root and rel's parent is a symbolic link, so a file
// placed there stays inside root.
bool parentsStayInside(const QString &root, const QString &rel)
{
    const QStringList parts = rel.split(QLatin1Char('/'));
    QString p = root;
    for (int i = 0; i + 1 < parts.size(); ++i) {
        p = QDir(p).filePath(parts.at(i));
        if (QFileInfo(p).isSymLink())
            return false;
    }
    return true;
}

// Keeps the old file in the backup: a second name for it, or a complete copy
// where the file system has no links.
bool keepOld(const QString &target, const QString &saved)
{
    if (present(saved) || !present(target))
        return true;
    QDir().mkpath(QFileInfo(saved).absolutePath());
    std::error_code ec;
    std::filesystem::create_hard_link(fsPath(target), fsPath(saved), ec);
    if (!ec)
        return true;
    const QString part = saved + QStringLiteral(".part");
    QFile::remove(part);
    return QFile::copy(target, part) && renameOver(part, saved);
}

// Moves every staged file still waiting into place. Repeatable after a kill.
bool forward(const QString &root, const Journal &j, QString *why)
{
    for (const QString &d : j.dirs) {
        if (!QDir().mkpath(joined(root, d))) {
            *why = QStringLiteral("无法建立文件夹 ") + d;
            return false;
        }
    }
    for (const Item &i : j.items) {
        const QString staged = joined(stagingFolder(root), i.rel);
        const QString target = joined(root, i.rel);
        if (!present(staged))
            continue; // already in place
        if (i.replaces && !keepOld(target, joined(backupFolder(root), i.rel))) {
            *why = QStringLiteral("无法保留原来的文件 ") + i.rel;
            return false;
        }
        if (!renameOver(staged, target)) {
            *why = QStringLiteral("无法放入新文件 ") + i.rel;
            return false;
        }
        checkpoint();
    }
    return true;
}

// Puts every old file back and takes away the new ones. Repeatable after a kill.
bool back(const QString &root, const Journal &j)
{
    bool ok = true;
    for (auto it = j.items.rbegin(); it != j.items.rend(); ++it) {
        const QString target = joined(root, it->rel);
        if (it->replaces) {
            const QString saved = joined(backupFolder(root), it->rel);
            if (present(saved) && !renameOver(saved, target))
                ok = false;
        } else if (!present(joined(stagingFolder(root), it->rel)) && present(target)) {
            ok = QFile::remove(target) && ok;
        }
    }
    for (auto it = j.dirs.rbegin(); it != j.dirs.rend(); ++it)
        QDir().rmdir(joined(root, *it)); // only when empty: a folder the user filled stays
    return ok;
}

// The journal goes last, so a kill before leaves work for the next start.
void cleanUp(const QString &root)
{
    const bool gone = QDir(stagingFolder(root)).removeRecursively() && QDir(backupFolder(root)).removeRecursively();
    checkpoint();
    if (gone)
        QFile::remove(journalFile(root));
}

bool fail(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return false;
}

} // namespace

QString stagingFolder(const QString &root) { return joined(root, QStringLiteral(".update-staging")); }
QString backupFolder(const QString &root) { return joined(root, QStringLiteral(".update-backup")); }
QString journalFile(const QString &root) { return joined(root, QStringLiteral(".update-journal")); }

QString failureNoteFile(const QString &workFolder) { return joined(workFolder, QStringLiteral("更新失败.txt")); }

bool reservedName(const QString &firstPart) { return firstPart.startsWith(QLatin1String(".update-")); }

bool swapIn(const QString &root, QString *why)
{
    const QString staging = stagingFolder(root);
    const QDir stagingDir(staging);
    Journal j;
    QDirIterator dirs(staging, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (dirs.hasNext()) {
        const QString rel = stagingDir.relativeFilePath(dirs.next());
        const QFileInfo there(joined(root, rel));
        if (there.isSymLink() || (there.exists() && !there.isDir()))
            return fail(why, QStringLiteral("文件夹的位置上已有文件或链接：") + rel);
        if (!there.exists())
            j.dirs << rel;
    }
    j.dirs.sort(); // a parent sorts before its children
    QDirIterator files(staging, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString rel = stagingDir.relativeFilePath(files.next());
        if (!parentsStayInside(root, rel))
            return fail(why, QStringLiteral("程序文件夹中的文件夹是链接：") + rel);
        const QFileInfo old(joined(root, rel));
        if (old.isDir() && !old.isSymLink())
            return fail(why, QStringLiteral("文件的位置上已有文件夹：") + rel);
        j.items.append({rel, present(old.filePath())});
    }
    std::sort(j.items.begin(), j.items.end(), [](const Item &a, const Item &b) { return a.rel < b.rel; });
    if (!writeJournal(root, j))
        return fail(why, QStringLiteral("无法在程序文件夹中写入更新记录"));
    checkpoint();
    QString reason;
    if (forward(root, j, &reason)) {
        cleanUp(root);
        return true;
    }
    j.forward = false;
    writeJournal(root, j); // should this fail, the next start finishes the swap instead
    back(root, j);
    cleanUp(root);
    return fail(why, reason);
}

Outcome recover(const QString &root, QString *why)
{
    QString reason;
    if (!present(journalFile(root))) {
        // Without a journal no file was swapped: whatever is staged is left from
        // an unpacking that was cut short.
        if (present(stagingFolder(root)) || present(backupFolder(root))) {
            QDir(stagingFolder(root)).removeRecursively();
            QDir(backupFolder(root)).removeRecursively();
        }
        return Outcome::Nothing;
    }
    Journal j;
    if (!readJournal(root, j)) {
        fail(why, QStringLiteral("更新记录无法读取：") + journalFile(root));
        return Outcome::Failed;
    }
    if (j.forward) {
        if (forward(root, j, &reason)) {
            cleanUp(root);
            return Outcome::Finished;
        }
        j.forward = false;
        writeJournal(root, j);
    }
    if (back(root, j)) {
        cleanUp(root);
        if (why)
            *why = reason;
        return Outcome::RolledBack;
    }
    fail(why, QStringLiteral("原来的文件无法全部放回，备份在 ") + backupFolder(root));
    return Outcome::Failed;
}

} // namespace fd::swap
