// The update companion, run for real on a temporary program folder.
#include "Fixture.h"
#include "Mounts.h"

#include "platform/Env.h"
#include "update/SwapJournal.h"
#include "update/rebooter/Install.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QLockFile>
#include <QProcess>
#include <QtTest>

#include <archive.h>
#include <archive_entry.h>

using namespace fd::test;

namespace {

struct Entry {
    QString name;
    QByteArray bytes;
    QString linkTo; // a symbolic link when set
};

} // namespace
Q_DECLARE_METATYPE(Entry)
namespace {

bool makeArchive(const QString &path, const QList<Entry> &entries, const char *format = "paxr",
                 const char *filter = "gzip")
{
    archive *a = archive_write_new();
    archive_write_set_format_by_name(a, format);
    if (qstrcmp(filter, "none") != 0)
        archive_write_add_filter_by_name(a, filter);
    bool ok = archive_write_open_filename(a, QFile::encodeName(path).constData()) == ARCHIVE_OK;
    for (const Entry &e : entries) {
        archive_entry *h = archive_entry_new();
        archive_entry_set_pathname_utf8(h, e.name.toUtf8().constData());
        if (!e.linkTo.isEmpty()) {
            archive_entry_set_filetype(h, AE_IFLNK);
            archive_entry_set_symlink_utf8(h, e.linkTo.toUtf8().constData());
            archive_entry_set_perm(h, 0777);
        } else {
            archive_entry_set_filetype(h, AE_IFREG);
            archive_entry_set_perm(h, e.name == QLatin1String("FDispatch") ? 0755 : 0644);
            archive_entry_set_size(h, e.bytes.size());
        }
        ok = ok && archive_write_header(a, h) == ARCHIVE_OK;
        if (e.linkTo.isEmpty())
            ok = ok && archive_write_data(a, e.bytes.constData(), e.bytes.size()) == e.bytes.size();
        archive_entry_free(h);
    }
    ok = archive_write_close(a) == ARCHIVE_OK && ok;
    archive_write_free(a);
    return ok;
}

// Every file and folder below root with its content, to compare before and after.
QStringList snapshot(const QString &root)
{
    QStringList r;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        r << QDir(root).relativeFilePath(p) + QLatin1Char('=')
                + QString::fromLatin1(QCryptographicHash::hash(readFile(p), QCryptographicHash::Md5).toHex());
    }
    r.sort();
    return r;
}

// A program folder with the companion, a stand-in program that leaves a mark when
// started, and a few files of the old version.
struct ProgramFolder {
    QTemporaryDir root, locks;
    QString prog, archive;
    std::optional<ScopedMount> disk; // a small file system of its own when asked
    explicit ProgramFolder(qint64 diskBytes = 0)
    {
        prog = root.filePath(QStringLiteral("prog"));
        QDir().mkpath(prog);
        if (diskBytes > 0)
            disk.emplace(ScopedMount::tmpfs(prog, diskBytes));
        QFile::copy(qEnvironmentVariable("FDISPATCH_REBOOTER"), path("STRebooter"));
        writeFile(path("FDispatch"), "#!/bin/sh\necho started > \"$(dirname \"$0\")/../restarted\"\n");
        QFile::setPermissions(path("FDispatch"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(path("a.txt"), "old");
        writeFile(path("lib/x.txt"), "old lib");
        writeFile(path("keep.txt"), "kept");
        archive = root.filePath(QStringLiteral("STFilesDispatcher.rar"));
        qputenv("FDISPATCH_LOCK_DIR", locks.path().toUtf8()); // the companion inherits it
    }
    QString path(const char *rel) const { return prog + QLatin1Char('/') + QString::fromUtf8(rel); }
    QString restartMark() const { return root.filePath(QStringLiteral("restarted")); }
    QString note() const { return fd::swap::failureNoteFile(root.path()); }
    void start(QProcess &p)
    {
        p.start(path("STRebooter"), {archive + QStringLiteral("\t1\tFDispatch\t岚拓文件分发助手")});
    }
    int run()
    {
        QProcess p;
        start(p);
        p.waitForFinished(30000);
        return p.exitCode();
    }
};

} // namespace

class TestRebooter : public QObject {
    Q_OBJECT
private slots:
    void goodArchiveReplacesFilesAndRestarts();
    void badArchiveChangesNothing_data();
    void badArchiveChangesNothing();
    void waitsUntilTheProgramHasEnded();
    void killedAtEveryStep_data();
    void killedAtEveryStep();
    void unwritableProgramFolder_data();
    void unwritableProgramFolder();
    void limits_data();
    void limits();
    void formats_data();
    void formats();
};

void TestRebooter::goodArchiveReplacesFilesAndRestarts()
{
    ProgramFolder pf;
    QVERIFY(makeArchive(pf.archive, {{"a.txt", "new", {}},
                                     {"lib/x.txt", "new lib", {}},
                                     {"docs/帮助.chm", "help", {}}}));
    QCOMPARE(pf.run(), 0);
    QCOMPARE(readFile(pf.path("a.txt")), QByteArray("new"));
    QCOMPARE(readFile(pf.path("lib/x.txt")), QByteArray("new lib"));
    QCOMPARE(readFile(pf.path("docs/帮助.chm")), QByteArray("help"));
    QCOMPARE(readFile(pf.path("keep.txt")), QByteArray("kept"));
    QVERIFY(!QFile::exists(pf.archive));
    QTRY_VERIFY(QFile::exists(pf.restartMark()));
    // No staging or backup folder is left behind.
    const QStringList hidden = QDir(pf.prog).entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot)
                                   .filter(QRegularExpression(QStringLiteral("^\\.")));
    QVERIFY2(hidden.isEmpty(), qPrintable(hidden.join(' ')));
}

void TestRebooter::badArchiveChangesNothing_data()
{
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<bool>("truncate");
    const Entry good{"a.txt", "new", {}};
    QTest::newRow("parent folder") << QList<Entry>{good, {"../x", "evil", {}}} << false;
    QTest::newRow("parent inside path") << QList<Entry>{good, {"lib/../../x", "evil", {}}} << false;
    QTest::newRow("absolute path") << QList<Entry>{good, {"@OUTSIDE@/x", "evil", {}}} << false;
    QTest::newRow("symbolic link") << QList<Entry>{good, {"lib2", {}, "@OUTSIDE@"}} << false;
    // A file where the program has a folder: a.txt was already swapped in and goes back.
    QTest::newRow("file over folder") << QList<Entry>{good, {"lib", "file", {}}} << false;
    QTest::newRow("cut-off download") << QList<Entry>{good, {"big.bin", QByteArray(200000, 'z'), {}}} << true;
}

void TestRebooter::badArchiveChangesNothing()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(bool, truncate);
    ProgramFolder pf;
    QTemporaryDir outside;
    for (Entry &e : entries) {
        e.name.replace(QStringLiteral("@OUTSIDE@"), outside.path());
        e.linkTo.replace(QStringLiteral("@OUTSIDE@"), outside.path());
    }
    QVERIFY(makeArchive(pf.archive, entries));
    if (truncate)
        QVERIFY(QFile(pf.archive).resize(QFileInfo(pf.archive).size() / 2));
    const QStringList before = snapshot(pf.prog);
    QCOMPARE(pf.run(), 1);
    QCOMPARE(snapshot(pf.prog), before);
    QVERIFY(!readFile(pf.note()).isEmpty()); // the reason, for the program's next start
    QVERIFY(QDir(outside.path()).isEmpty());
    QVERIFY(!QFile::exists(pf.root.filePath(QStringLiteral("x"))));
    QVERIFY(!QFile::exists(pf.archive));
    QTRY_VERIFY(QFile::exists(pf.restartMark())); // the old program comes back
}

void TestRebooter::waitsUntilTheProgramHasEnded()
{
    ProgramFolder pf;
    QVERIFY(makeArchive(pf.archive, {{"a.txt", "new", {}}}));
    QLockFile running(fd::LockFileGuard::lockPath());
    QVERIFY(running.tryLock(0));
    QProcess p;
    pf.start(p);
    QVERIFY(!p.waitForFinished(800));
    QCOMPARE(readFile(pf.path("a.txt")), QByteArray("old"));
    running.unlock();
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(readFile(pf.path("a.txt")), QByteArray("new"));
}

namespace {

// A new version over the old files of ProgramFolder: three replaced, two added.
const QList<Entry> kNewVersion{{"FDispatch", "#!/bin/sh\necho new > \"$(dirname \"$0\")/../restarted\"\n", {}},
                               {"a.txt", "new", {}},
                               {"lib/x.txt", "new lib", {}},
                               {"lib/y.txt", "added", {}},
                               {"docs/帮助.chm", "help", {}}};

} // namespace

void TestRebooter::killedAtEveryStep_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("byProgram"); // the program's start settles it, else the companion's
    // Step 0 follows the journal, 1 to 5 the five renames, 6 the removal of the backup.
    for (int step = 0; step <= 6; ++step)
        for (bool byProgram : {false, true})
            QTest::addRow("after step %d, %s", step, byProgram ? "program" : "companion") << step << byProgram;
}

void TestRebooter::killedAtEveryStep()
{
    QFETCH(int, step);
    QFETCH(bool, byProgram);
    ProgramFolder reference; // the new version installed without a kill
    QVERIFY(makeArchive(reference.archive, kNewVersion));
    QCOMPARE(reference.run(), 0);
    ProgramFolder pf;
    QVERIFY(makeArchive(pf.archive, kNewVersion));
    QProcess p;
    p.setEnvironment(QProcess::systemEnvironment() << QStringLiteral("FDISPATCH_SWAP_STOP_AFTER=%1").arg(step));
    pf.start(p);
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("swap stopped") || p.state() == QProcess::NotRunning,
                             20000);
    QCOMPARE(p.state(), QProcess::Running);
    p.kill();
    QVERIFY(p.waitForFinished(10000));
    QVERIFY(QFileInfo(pf.path("FDispatch")).isExecutable()); // whatever the moment

    if (byProgram) {
        WindowFixture fx(false); // no message may come: the swap is finished
        fd::setProgramFolderOverride(pf.prog);
        fx.w().startUpdateNotice();
        QCoreApplication::processEvents();
    } else {
        QCOMPARE(pf.run(), 0);
    }
    QCOMPARE(snapshot(pf.prog), snapshot(reference.prog)); // no journal, staging or backup left either
}

// A folder that turns out read-only midway, or a disk that fills up while
// unpacking: the old version stays whole and the reason is left for the program.
void TestRebooter::unwritableProgramFolder_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("read-only folder") << false << QByteArray("无法放入新文件 lib/x.txt");
    QTest::newRow("full disk") << true << QByteArray("写入失败");
}

void TestRebooter::unwritableProgramFolder()
{
    QFETCH(bool, fullDisk);
    QFETCH(QByteArray, reason);
    const qint64 companion = QFileInfo(qEnvironmentVariable("FDISPATCH_REBOOTER")).size();
    ProgramFolder pf(fullDisk ? companion + (512 << 10) : 0);
    std::optional<ScopedMount> ro;
    if (!fullDisk)
        ro.emplace(ScopedMount::readOnlyBind(pf.path("lib"), pf.path("lib")));
    const ScopedMount &m = fullDisk ? *pf.disk : *ro;
    if (!m.ok())
        QSKIP(qPrintable(QStringLiteral("cannot mount: ") + m.error()));
    QList<Entry> entries = kNewVersion;
    QByteArray big(2 << 20, Qt::Uninitialized); // does not compress
    for (char &c : big)
        c = char(QRandomGenerator::global()->generate());
    if (fullDisk)
        entries.append({"big.bin", big, {}});
    QVERIFY(makeArchive(pf.archive, entries));
    const QStringList before = snapshot(pf.prog);
    QCOMPARE(pf.run(), 1);
    QCOMPARE(snapshot(pf.prog), before);
    QVERIFY2(readFile(pf.note()).startsWith(reason), readFile(pf.note()).constData());
    QTRY_COMPARE(readFile(pf.restartMark()), QByteArray("started\n"));
}

void TestRebooter::limits_data()
{
    QTest::addColumn<QList<Entry>>("entries");
    QTest::addColumn<bool>("installed");
    const QByteArray k2(2000, '0');
    QTest::newRow("within") << QList<Entry>{{"a", k2, {}}, {"b", "x", {}}} << true;
    QTest::newRow("too many entries") << QList<Entry>{{"a", "x", {}}, {"b", "x", {}}, {"c", "x", {}}} << false;
    QTest::newRow("entry too large") << QList<Entry>{{"a", QByteArray(5000, '0'), {}}} << false;
    QTest::newRow("total too large") << QList<Entry>{{"a", k2, {}}, {"b", k2, {}}} << false;
}

void TestRebooter::limits()
{
    QFETCH(QList<Entry>, entries);
    QFETCH(bool, installed);
    ProgramFolder pf;
    QVERIFY(makeArchive(pf.archive, entries));
    const QStringList before = snapshot(pf.prog);
    QString why;
    const auto r = rebooter::installArchive(pf.archive, pf.prog, &why, {2, 4000, 3000});
    QCOMPARE(r == rebooter::InstallResult::Installed, installed);
    if (!installed) {
        QCOMPARE(r, rebooter::InstallResult::Refused);
        QCOMPARE(snapshot(pf.prog), before);
        QVERIFY(why.startsWith(QStringLiteral("更新包")));
    }
}

void TestRebooter::formats_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("installed");
    QTest::newRow("zip") << "zip" << "none" << true;
    QTest::newRow("7z") << "7zip" << "none" << true;
    for (const char *f : {"gzip", "xz", "bzip2", "zstd"})
        QTest::addRow("tar.%s", f) << "pax" << f << true;
    // Not the formats of an update: mtree would read files of the local disk.
    QTest::newRow("mtree") << "mtree" << "none" << false;
    QTest::newRow("cpio") << "cpio" << "none" << false;
    QTest::newRow("tar.lz4") << "pax" << "lz4" << false;
    QTest::newRow("tar.Z") << "pax" << "compress" << false;
}

void TestRebooter::formats()
{
    QFETCH(QString, format);
    QFETCH(QString, filter);
    QFETCH(bool, installed);
    ProgramFolder pf;
    QVERIFY(makeArchive(pf.archive, {{"a.txt", "new", {}}}, format.toLatin1().constData(), filter.toLatin1().constData()));
    QString why;
    const auto r = rebooter::installArchive(pf.archive, pf.prog, &why);
    QVERIFY2((r == rebooter::InstallResult::Installed) == installed, qPrintable(why));
    QCOMPARE(readFile(pf.path("a.txt")), installed ? QByteArray("new") : QByteArray("old"));
}

QTEST_MAIN(TestRebooter)
#include "tst_rebooter.moc"
