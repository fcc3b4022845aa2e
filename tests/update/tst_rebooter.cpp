// The update companion, run for real on a temporary program folder.
#include "Fixture.h"

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

bool makeArchive(const QString &path, const QList<Entry> &entries)
{
    archive *a = archive_write_new();
    archive_write_set_format_pax_restricted(a);
    archive_write_add_filter_gzip(a);
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
            archive_entry_set_perm(h, 0644);
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
    ProgramFolder()
    {
        prog = root.filePath(QStringLiteral("prog"));
        QDir().mkpath(prog);
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

QTEST_MAIN(TestRebooter)
#include "tst_rebooter.moc"
