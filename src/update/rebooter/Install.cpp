#include "update/rebooter/Install.h"
#include "update/SwapJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
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
    return e ? QString::fromUtf8(e) : QStringLiteral("未知错误");
}

InstallResult fail(InstallResult r, QString *why, const QString &text)
{
    if (why)
        *why = text;
    return r;
}

// Only the formats and filters an update is published in: none that reads other
// files of the local disk, and a filter only where the library decodes it itself
// (a filter it would hand to an external program is left out).
void supportUpdateFormats(archive *a)
{
    archive_read_support_format_zip(a);
    archive_read_support_format_7zip(a);
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    archive_read_support_format_tar(a);
    using Support = int (*)(archive *);
    for (Support filter : {Support(archive_read_support_filter_gzip), Support(archive_read_support_filter_xz),
                           Support(archive_read_support_filter_bzip2), Support(archive_read_support_filter_zstd)}) {
        std::unique_ptr<archive, ReadCloser> probe(archive_read_new());
        if (filter(probe.get()) == ARCHIVE_OK)
            filter(a);
    }
}

QString mib(qint64 bytes) { return QString::number(bytes / (1024 * 1024)) + QStringLiteral(" MiB"); }

// Unpacks every entry below staging; refuses the whole archive on one bad entry.
// Every write must succeed in full: the library reports a failed write (a full
// disk) as a mere warning.
InstallResult unpack(const QString &archivePath, const QString &staging, const UnpackLimits &limits, QString *why)
{
    std::unique_ptr<archive, ReadCloser> in(archive_read_new());
    supportUpdateFormats(in.get());
    const QString absoluteArchive = QFileInfo(archivePath).absoluteFilePath();
    if (archive_read_open_filename(in.get(), QFile::encodeName(absoluteArchive).constData(), 1 << 16) != ARCHIVE_OK)
        return fail(InstallResult::Failed, why, QStringLiteral("更新包无法读取：") + errorOf(in.get()));
    // Entries are written relative to the staging folder, so the library's own
    // guards against absolute names and ".." hold behind the checks below.
    struct CurrentFolder {
        QString previous = QDir::currentPath();
        ~CurrentFolder() { QDir::setCurrent(previous); }
    } restore;
    if (!QDir::setCurrent(staging))
        return fail(InstallResult::Failed, why, QStringLiteral("无法进入暂存文件夹 ") + staging);

    std::unique_ptr<archive, WriteCloser> out(archive_write_disk_new());
    // No owners and no set-id bits from the archive.
    archive_write_disk_set_options(out.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT
                                                  | ARCHIVE_EXTRACT_SECURE_SYMLINKS
                                                  | ARCHIVE_EXTRACT_SECURE_NOABSOLUTEPATHS);
    const QString writeFailed = QStringLiteral("写入失败（磁盘已满或不可写）：");
    const QString tooBig = QStringLiteral("更新包中的文件超过 ") + mib(limits.entryBytes) + QStringLiteral("：");
    qint64 entries = 0;
    qint64 total = 0;
    for (;;) {
        archive_entry *e = nullptr;
        const int r = archive_read_next_header(in.get(), &e);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN)
            return fail(InstallResult::Failed, why, QStringLiteral("更新包已损坏：") + errorOf(in.get()));
        const char *utf8 = archive_entry_pathname_utf8(e);
        const QString name = utf8 ? QString::fromUtf8(utf8) : QString::fromLocal8Bit(archive_entry_pathname(e));
        const auto type = archive_entry_filetype(e);
        if (!entryNameSafe(name))
            return fail(InstallResult::Refused, why, QStringLiteral("更新包中的条目名称不安全：") + name);
        if ((type != AE_IFREG && type != AE_IFDIR) || archive_entry_hardlink(e))
            return fail(InstallResult::Refused, why, QStringLiteral("更新包中的条目不是普通文件或文件夹：") + name);
        if (++entries > limits.entries)
            return fail(InstallResult::Refused, why, QStringLiteral("更新包的条目超过 %1 个").arg(limits.entries));
        const qint64 declared = archive_entry_size_is_set(e) ? archive_entry_size(e) : -1;
        if (declared > limits.entryBytes)
            return fail(InstallResult::Refused, why, tooBig + name);
        if (archive_write_header(out.get(), e) != ARCHIVE_OK)
            return fail(InstallResult::Failed, why, writeFailed + name + QStringLiteral("：") + errorOf(out.get()));
        if (type == AE_IFREG) {
            const void *buf = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            qint64 end = 0;
            int d;
            while ((d = archive_read_data_block(in.get(), &buf, &size, &offset)) == ARCHIVE_OK) {
                total += qint64(size);
                end = std::max<qint64>(end, offset + qint64(size));
                if (end > limits.entryBytes)
                    return fail(InstallResult::Refused, why, tooBig + name);
                if (total > limits.totalBytes)
                    return fail(InstallResult::Refused, why, QStringLiteral("更新包解开后超过 ") + mib(limits.totalBytes));
                if (archive_write_data_block(out.get(), buf, size, offset) != ARCHIVE_OK)
                    return fail(InstallResult::Failed, why, writeFailed + name + QStringLiteral("：") + errorOf(out.get()));
            }
            if (d != ARCHIVE_EOF)
                return fail(InstallResult::Failed, why,
                            QStringLiteral("更新包已损坏：") + name + QStringLiteral("：") + errorOf(in.get()));
        }
        if (archive_write_finish_entry(out.get()) != ARCHIVE_OK)
            return fail(InstallResult::Failed, why, writeFailed + name + QStringLiteral("：") + errorOf(out.get()));
        // What is on disk must be what the archive holds.
        if (type == AE_IFREG && declared >= 0 && QFileInfo(name).size() != declared)
            return fail(InstallResult::Failed, why, writeFailed + name);
    }
    if (archive_write_close(out.get()) != ARCHIVE_OK)
        return fail(InstallResult::Failed, why, writeFailed + errorOf(out.get()));
    if (entries == 0)
        return fail(InstallResult::Failed, why, QStringLiteral("更新包是空的"));
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
    if (parts.isEmpty() || fd::swap::reservedName(parts.first()))
        return false; // the swap's own folders are no place for the update's files
    for (const QString &p : parts)
        if (p == QLatin1String(".."))
            return false;
    return true;
}

InstallResult installArchive(const QString &archive, const QString &programFolder, QString *why,
                             const UnpackLimits &limits)
{
    const QString root = QDir(programFolder).absolutePath();
    // A swap that an earlier companion left half done is settled first.
    QString left;
    if (fd::swap::recover(root, &left) == fd::swap::Outcome::Failed)
        return fail(InstallResult::Failed, why, QStringLiteral("上次的更新未能收尾：") + left);
    // Staging lives inside the program folder: the same file system, so every
    // swap is a rename, and nothing is written anywhere else.
    const QString staging = fd::swap::stagingFolder(root);
    QDir(staging).removeRecursively();
    if (!QDir().mkpath(staging))
        return fail(InstallResult::Failed, why, QStringLiteral("无法在程序文件夹中写入：") + root);
    InstallResult r = unpack(archive, staging, limits, why);
    if (r == InstallResult::Installed && !fd::swap::swapIn(root, why))
        r = InstallResult::Failed;
    QDir(staging).removeRecursively();
    return r;
}

} // namespace rebooter
