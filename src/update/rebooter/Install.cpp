#include "update/rebooter/Install.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QVector>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace rebooter {

namespace {

struct ReadCloser {
    void operator()(archive *a) const { archive_read_free(a); }
};
struct WriteCloser {
    void operator()(archive *a) const { archive_write_free(a); }
};

QString errorOf(archive *a)
{
    const char *e = archive_error_string(a);
    return e ? QString::fromUtf8(e) : QStringLiteral("unknown archive error");
}

InstallResult fail(InstallResult r, QString *why, const QString &text)
{
    if (why)
        *why = text;
    return r;
}

// Unpacks every entry below staging; refuses the whole archive on one bad entry.
InstallResult unpack(const QString &archivePath, const QString &staging, QString *why)
{
    std::unique_ptr<archive, ReadCloser> in(archive_read_new());
    archive_read_support_filter_all(in.get());
    archive_read_support_format_all(in.get());
    const QString absoluteArchive = QFileInfo(archivePath).absoluteFilePath();
    if (archive_read_open_filename(in.get(), QFile::encodeName(absoluteArchive).constData(), 1 << 16) != ARCHIVE_OK)
        return fail(InstallResult::Failed, why, errorOf(in.get()));
    // Entries are written relative to the staging folder, so the library's own
    // guards against absolute names and ".." hold behind the checks below.
    struct CurrentFolder {
        QString previous = QDir::currentPath();
        ~CurrentFolder() { QDir::setCurrent(previous); }
    } restore;
    if (!QDir::setCurrent(staging))
        return fail(InstallResult::Failed, why, QStringLiteral("cannot enter the staging folder"));

    std::unique_ptr<archive, WriteCloser> out(archive_write_disk_new());
    // No owners and no set-id bits from the archive.
    archive_write_disk_set_options(out.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT
                                                  | ARCHIVE_EXTRACT_SECURE_SYMLINKS
                                                  | ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);

    int entries = 0;
    for (;;) {
        archive_entry *e = nullptr;
        const int r = archive_read_next_header(in.get(), &e);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN)
            return fail(InstallResult::Failed, why, errorOf(in.get()));
        const char *utf8 = archive_entry_pathname_utf8(e);
        const QString name = utf8 ? QString::fromUtf8(utf8) : QString::fromLocal8Bit(archive_entry_pathname(e));
        const auto type = archive_entry_filetype(e);
        if (!entryNameSafe(name))
            return fail(InstallResult::Refused, why, QStringLiteral("entry outside the program folder: ") + name);
        if ((type != AE_IFREG && type != AE_IFDIR) || archive_entry_hardlink(e))
            return fail(InstallResult::Refused, why, QStringLiteral("entry is no plain file or folder: ") + name);
        if (archive_write_header(out.get(), e) < ARCHIVE_WARN)
            return fail(InstallResult::Failed, why, errorOf(out.get()));
        if (type == AE_IFREG) {
            const void *buf = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            int d;
            while ((d = archive_read_data_block(in.get(), &buf, &size, &offset)) == ARCHIVE_OK) {
                if (archive_write_data_block(out.get(), buf, size, offset) < ARCHIVE_WARN)
                    return fail(InstallResult::Failed, why, errorOf(out.get()));
            }
            if (d != ARCHIVE_EOF)
                return fail(InstallResult::Failed, why, errorOf(in.get()));
        }
        if (archive_write_finish_entry(out.get()) < ARCHIVE_WARN)
            return fail(InstallResult::Failed, why, errorOf(out.get()));
        ++entries;
    }
    if (archive_write_close(out.get()) < ARCHIVE_WARN)
        return fail(InstallResult::Failed, why, errorOf(out.get()));
    if (entries == 0)
        return fail(InstallResult::Failed, why, QStringLiteral("empty archive"));
    return InstallResult::Installed;
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

// Moves the staged files over the program's, keeping each replaced file in backup;
// on any failure every step is undone.
InstallResult swapIn(const QString &staging, const QString &root, const QString &backup, QString *why)
{
    struct Step {
        QString staged, target, saved; // saved is empty when nothing was replaced
    };
    QVector<Step> done;
    QStringList madeDirs;
    auto undo = [&] {
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            QFile::rename(it->target, it->staged);
            if (!it->saved.isEmpty())
                QFile::rename(it->saved, it->target);
        }
        for (auto it = madeDirs.rbegin(); it != madeDirs.rend(); ++it)
            QDir().rmdir(*it);
    };
    const QDir stagingDir(staging);
    QDirIterator files(staging, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    QStringList rels;
    while (files.hasNext())
        rels << stagingDir.relativeFilePath(files.next());
    rels.sort(); // a stable order keeps failures reproducible
    for (const QString &rel : rels) {
        const QString staged = stagingDir.filePath(rel);
        const QString target = QDir(root).filePath(rel);
        const QString parent = QFileInfo(target).absolutePath();
        if (!parentsStayInside(root, rel)) {
            undo();
            return fail(InstallResult::Refused, why, QStringLiteral("folder is a link: ") + rel);
        }
        if (!QFileInfo(parent).isDir()) {
            // Remember each folder made, outermost first, to remove them on undo.
            QStringList chain;
            for (QString p = parent; !QFileInfo::exists(p) && p != root; p = QFileInfo(p).absolutePath())
                chain.prepend(p);
            if (!QDir().mkpath(parent)) {
                undo();
                return fail(InstallResult::Failed, why, QStringLiteral("cannot make folder for ") + rel);
            }
            madeDirs += chain;
        }
        Step s{staged, target, QString()};
        const QFileInfo old(target);
        if (old.exists() || old.isSymLink()) {
            if (old.isDir() && !old.isSymLink()) {
                undo();
                return fail(InstallResult::Failed, why, QStringLiteral("a folder stands where a file goes: ") + rel);
            }
            s.saved = QDir(backup).filePath(rel);
            QDir().mkpath(QFileInfo(s.saved).absolutePath());
            if (!QFile::rename(target, s.saved)) {
                undo();
                return fail(InstallResult::Failed, why, QStringLiteral("cannot move aside ") + rel);
            }
        }
        if (!QFile::rename(staged, target)) {
            if (!s.saved.isEmpty())
                QFile::rename(s.saved, target);
            undo();
            return fail(InstallResult::Failed, why, QStringLiteral("cannot put in place ") + rel);
        }
        done.append(s);
    }
    // Folders of the archive that hold no file are made too.
    QDirIterator dirs(staging, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (dirs.hasNext())
        QDir().mkpath(QDir(root).filePath(stagingDir.relativeFilePath(dirs.next())));
    return InstallResult::Installed;
}

} // namespace

bool entryNameSafe(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\')))
        return false;
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':'))
        return false; // a drive letter
    const QStringList parts = name.split(QRegularExpression(QStringLiteral("[/\\\\]")), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    for (const QString &p : parts)
        if (p == QLatin1String(".."))
            return false;
    return true;
}

InstallResult installArchive(const QString &archive, const QString &programFolder, QString *why)
{
    // Staging and backup live inside the program folder: the same file system,
    // so every move is a rename, and nothing is written anywhere else.
    QTemporaryDir staging(QDir(programFolder).filePath(QStringLiteral(".update-staging-XXXXXX")));
    QTemporaryDir backup(QDir(programFolder).filePath(QStringLiteral(".update-backup-XXXXXX")));
    if (!staging.isValid() || !backup.isValid())
        return fail(InstallResult::Failed, why, QStringLiteral("cannot write in the program folder"));
    const InstallResult r = unpack(archive, staging.path(), why);
    if (r != InstallResult::Installed)
        return r;
    return swapIn(staging.path(), QDir(programFolder).absolutePath(), backup.path(), why);
}

} // namespace rebooter
