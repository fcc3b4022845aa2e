// The transfer on real files: clash switches, pieces, full disk, unwritable
// folders and files that are their own destination.
#include "Fixture.h"
#include "Inventory.h"
#include "Mounts.h"
#include "dispatch/Pace.h"
#include "dispatch/Transfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace fd;
using namespace fd::test;

namespace {


QByteArray pattern(qint64 n, char seed)
{
    QByteArray b(n, Qt::Uninitialized);
    for (qint64 i = 0; i < n; ++i)
        b[i] = char(seed + i * 7 + i / 251);
    return b;
}

// Leftover temporary files of interrupted transfers.
QStringList partFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".fdpart-*")}, QDir::Files | QDir::Hidden);
}


} // namespace

class TransferTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedShell> shell;
    QTemporaryDir dir;
    QString src, dstFolder;
    Clash clash = Clash::Overwrite;

    // Renaming wins over overwriting.
    void switches(bool rename, bool overwrite)
    {
        clash = rename ? Clash::Rename : overwrite ? Clash::Overwrite : Clash::Skip;
    }

private slots:
    void init()
    {
        shell = std::make_unique<ScriptedShell>();
        clash = Clash::Overwrite;
        QVERIFY(dir.isValid());
        src = dir.filePath(QStringLiteral("in/IMG_0001.jpg"));
        dstFolder = dir.filePath(QStringLiteral("out"));
        QDir().mkpath(dstFolder);
        QVERIFY(writeFile(src, pattern(5000, 1)));
    }
    void cleanup()
    {
        shell.reset();
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void copiesExactBytesAcrossPieceBoundaries_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QList<qint64>>("pieces");
        QTest::newRow("empty") << qint64(0) << QList<qint64>{};
        QTest::newRow("one byte") << qint64(1) << QList<qint64>{1};
        QTest::newRow("one piece") << kTransferPiece << QList<qint64>{kTransferPiece};
        QTest::newRow("piece plus one") << kTransferPiece + 1 << QList<qint64>{kTransferPiece, 1};
        QTest::newRow("three pieces and a bit")
            << 3 * kTransferPiece + 17 << QList<qint64>{kTransferPiece, kTransferPiece, kTransferPiece, 17};
    }
    void copiesExactBytesAcrossPieceBoundaries()
    {
        QFETCH(qint64, size);
        QFETCH(QList<qint64>, pieces);
        const QByteArray bytes = pattern(size, 3);
        QVERIFY(writeFile(src, bytes));
        QString dst = dstFolder + QStringLiteral("/IMG_0001.jpg");
        // Each piece starts after a turn of the event loop: a posted event has run.
        QTest::qWait(pace::kBudgetMs + 5);
        QList<qint64> seen;
        QList<int> turnsBefore;
        int turns = 0;
        QObject alive; // posted calls die with this row
        setTransferPieceHook([&](long long n) {
            turnsBefore << turns;
            turns = 0;
            QTimer::singleShot(0, &alive, [&] { ++turns; });
            seen << n;
        });
        QTimer::singleShot(0, &alive, [&] { ++turns; });
        const TransferResult r = Transfer(src, dst, clash);
        setTransferPieceHook({});
        QCOMPARE(seen, pieces);
        // A file of several pieces lets the window in before each; a small one
        // leaves that to the run's own pacing.
        if (pieces.size() > 1)
            QCOMPARE(turnsBefore, QList<int>(pieces.size(), 1));
        QVERIFY(!r.failed);
        QVERIFY(r.copied);
        QVERIFY(QFileInfo::exists(dst));
        QCOMPARE(readFile(dst), bytes);
        QCOMPARE(readFile(src), bytes);
        QVERIFY(partFiles(dstFolder).isEmpty());
    }

    void absentOrEmptySourceIsNotACopy()
    {
        QString dst = dstFolder + QStringLiteral("/x.jpg");
        TransferResult r = Transfer(dir.filePath(QStringLiteral("in/none.jpg")), dst, clash);
        QVERIFY(!r.failed);
        QVERIFY(!r.copied);
        r = Transfer(QString(), dst, clash);
        QVERIFY(!r.failed);
        QVERIFY(!r.copied);
        QVERIFY(!QFileInfo::exists(dst));
    }

    void folderInTheWayFailsWhateverTheSwitches_data()
    {
        QTest::addColumn<bool>("rename");
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("skip") << false << false;
        QTest::newRow("overwrite") << false << true;
        QTest::newRow("rename") << true << false;
    }
    void folderInTheWayFailsWhateverTheSwitches()
    {
        QFETCH(bool, rename);
        QFETCH(bool, overwrite);
        switches(rename, overwrite);
        const QString dst0 = dstFolder + QStringLiteral("/IMG_0001.jpg");
        QVERIFY(QDir().mkpath(dst0 + QStringLiteral("/inside")));
        QString dst = dst0;
        const TransferResult r = Transfer(src, dst, clash);
        QVERIFY(r.failed);
        QVERIFY(!r.copied);
        QVERIFY(QFileInfo(dst0 + QStringLiteral("/inside")).isDir());
        QCOMPARE(QDir(dstFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{"IMG_0001.jpg"});
    }

    void clashWithBothSwitchesOffSkips()
    {
        switches(false, false);
        const QString dst0 = dstFolder + QStringLiteral("/IMG_0001.jpg");
        QVERIFY(writeFile(dst0, "old"));
        QString dst = dst0;
        const TransferResult r = Transfer(src, dst, clash);
        QVERIFY(!r.failed);
        QVERIFY(!r.copied);
        QCOMPARE(dst, dst0);
        QCOMPARE(readFile(dst0), QByteArray("old"));
        QCOMPARE(QDir(dstFolder).count(), 3u); // ".", "..", the old file
    }

    void hiddenDestinationCountsAsAClash()
    {
        switches(false, false);
        const QString hidden = dstFolder + QStringLiteral("/.cfg");
        QVERIFY(writeFile(hidden, "keep"));
        QString dst = hidden;
        const TransferResult r = Transfer(src, dst, clash);
        QVERIFY(!r.copied);
        QCOMPARE(readFile(hidden), QByteArray("keep"));
    }

    void overwriteLeavesOnlyTheNewBytes()
    {
        switches(false, true);
        const QString dst0 = dstFolder + QStringLiteral("/IMG_0001.jpg");
        QVERIFY(writeFile(dst0, pattern(90000, 9)));
        QVERIFY(writeFile(src, "short"));
        QString dst = dst0;
        const TransferResult r = Transfer(src, dst, clash);
        QVERIFY(!r.failed);
        QVERIFY(r.copied);
        QCOMPARE(dst, dst0);
        QCOMPARE(readFile(dst0), QByteArray("short"));
    }

    void renameUsesTheClockAndNeverOverwrites()
    {
        ManualClock clk; // 9:05:07
        switches(true, true); // rename wins over overwrite
        const QString first = dstFolder + QStringLiteral("/IMG_0001.jpg");
        QVERIFY(writeFile(first, "first"));
        QStringList names;
        for (int i = 0; i < 3; ++i) {
            QString dst = first;
            QVERIFY(writeFile(src, QByteArray::number(i)));
            const TransferResult r = Transfer(src, dst, clash);
            QVERIFY(!r.failed);
            QVERIFY(r.copied);
            names << QFileInfo(dst).fileName();
            QCOMPARE(readFile(dst), QByteArray::number(i));
        }
        QCOMPARE(names, (QStringList{QStringLiteral("IMG_0001_同名957.jpg"), QStringLiteral("IMG_0001_同名957_957.jpg"),
                                     QStringLiteral("IMG_0001_同名957_957_957.jpg")}));
        QCOMPARE(readFile(first), QByteArray("first"));
    }

    void renameOfANameWithoutExtension()
    {
        ManualClock clk(QDateTime(QDate(2024, 1, 2), QTime(13, 0, 9)));
        switches(true, false);
        const QString readme = dstFolder + QStringLiteral("/README");
        QVERIFY(writeFile(readme, "x"));
        QString dst = readme;
        QVERIFY(!Transfer(src, dst, clash).failed);
        QCOMPARE(QFileInfo(dst).fileName(), QStringLiteral("README_同名1309"));
        QCOMPARE(clashStamp(QTime(0, 0, 0)), QStringLiteral("000"));
    }

    void missingDestinationFolderFailsAndLeavesNothing()
    {
        QString dst = dir.filePath(QStringLiteral("nowhere/IMG_0001.jpg"));
        const TransferResult r = Transfer(src, dst, clash);
        QVERIFY(r.failed);
        QVERIFY(!r.copied);
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));
    }

    void ownFileIsNeverWritten()
    {
        switches(false, true);
        const QByteArray before = readFile(src);
        // The same file through another spelling and through a linked folder.
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("in")), dir.filePath(QStringLiteral("alias"))));
        for (const QString &other : {dir.filePath(QStringLiteral("in/../in/IMG_0001.jpg")),
                                     dir.filePath(QStringLiteral("alias/IMG_0001.jpg")), src}) {
            QString dst = other;
            const TransferResult r = Transfer(src, dst, clash);
            QVERIFY(!r.failed);
            QVERIFY(!r.copied);
            QCOMPARE(readFile(src), before);
        }
        // A hard link is the same file too.
        const QString hard = dstFolder + QStringLiteral("/hard.jpg");
        QVERIFY(::link(QFile::encodeName(src).constData(), QFile::encodeName(hard).constData()) == 0);
        QString dst = hard;
        QVERIFY(!Transfer(src, dst, clash).copied);
        QCOMPARE(readFile(src), before);
    }

    void unusualNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("chinese") << QStringLiteral("照片 二〇二四（复件）.jpg");
        QTest::newRow("emoji") << QStringLiteral("🎉party😀.png");
        // 255 bytes: 85 three-byte characters.
        QTest::newRow("255 bytes") << QString(85, QChar(0x6587));
    }
    void unusualNames()
    {
        QFETCH(QString, name);
        switches(false, true);
        const QString s = dir.filePath(QStringLiteral("in/") + name);
        QVERIFY(writeFile(s, "abc"));
        QString dst = dstFolder + QLatin1Char('/') + name;
        QVERIFY(writeFile(dst, "older"));
        const TransferResult r = Transfer(s, dst, clash);
        QVERIFY(!r.failed);
        QCOMPARE(readFile(dst), QByteArray("abc"));
        QVERIFY(partFiles(dstFolder).isEmpty());
    }

    void readOnlyDestinationFolderFails()
    {
        const QString real = dir.filePath(QStringLiteral("real"));
        QVERIFY(writeFile(real + QStringLiteral("/IMG_0001.jpg"), "old"));
        const QString view = dir.filePath(QStringLiteral("view"));
        ScopedMount m = ScopedMount::readOnlyBind(real, view);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m.error()));
        switches(false, true);
        for (const QString &name : {QStringLiteral("IMG_0001.jpg"), QStringLiteral("new.jpg")}) {
            QString dst = view + QLatin1Char('/') + name;
            const TransferResult r = Transfer(src, dst, clash);
            QVERIFY(r.failed);
            QVERIFY(!r.copied);
        }
        QCOMPARE(readFile(real + QStringLiteral("/IMG_0001.jpg")), QByteArray("old"));
    }

    void fullDiskRetryAndCancel()
    {
        const QString small = dir.filePath(QStringLiteral("small"));
        ScopedMount m = ScopedMount::tmpfs(small, 1024 * 1024);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        switches(false, true);
        const QString old = small + QStringLiteral("/IMG_0001.jpg");
        QVERIFY(writeFile(old, pattern(300 * 1024, 5)));
        const QString filler = small + QStringLiteral("/filler");
        QVERIFY(writeFile(filler, pattern(600 * 1024, 6)));
        const QByteArray bytes = pattern(400 * 1024, 7);
        QVERIFY(writeFile(src, bytes));

        ScriptedShell sh;
        // Cancel: the old destination is kept whole, no partial file stays.
        sh.answerMessage(Answer::Cancel);
        QString dst = old;
        TransferResult r = Transfer(src, dst, clash);
        QVERIFY(r.failed);
        QVERIFY(r.gaveUpAtFullDisk);
        QVERIFY(!r.copied);
        QCOMPARE(sh.count(CallKind::Message), 1);
        const ShellCall *c = sh.last(CallKind::Message);
        QCOMPARE(c->text, QStringLiteral("磁盘空间已满，请清理以释放空间后重试"));
        QCOMPARE(c->title, QStringLiteral("消息"));
        QCOMPARE(c->icon, Icon::Information);
        QCOMPARE(c->buttons, Buttons::RetryCancel);
        QCOMPARE(readFile(old), pattern(300 * 1024, 5));
        QVERIFY(partFiles(small).isEmpty());

        // Retry after space was freed completes the copy.
        sh.clear();
        sh.answerMessage(Answer::Retry);
        sh.onRetryQuestion = [&] { QFile::remove(filler); };
        dst = old;
        r = Transfer(src, dst, clash);
        QVERIFY(!r.failed);
        QVERIFY(r.copied);
        QVERIFY(!r.gaveUpAtFullDisk);
        QCOMPARE(sh.count(CallKind::Message), 1);
        QCOMPARE(readFile(old), bytes);
        QVERIFY(partFiles(small).isEmpty());
    }

    // A pipe or a folder named as the source is no file: nothing waits, nothing is made.
    void nonFileSourceIsNotACopy()
    {
        const QString fifo = dir.filePath(QStringLiteral("in/pipe.jpg"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        for (const QString &s : {fifo, dir.filePath(QStringLiteral("in"))}) {
            QString dst = dstFolder + QStringLiteral("/x.jpg");
            const TransferResult r = Transfer(s, dst, Clash::Overwrite);
            QVERIFY(!r.failed);
            QVERIFY(!r.copied);
            QVERIFY(!QFileInfo::exists(dst));
        }
    }

    // On one file system a move is a rename: the same file, times kept, under
    // the same clash rules as a copy.
    void moveOnOneFileSystem_data()
    {
        QTest::addColumn<int>("clash");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("name");    // where the file ends up
        QTest::addColumn<bool>("moved");
        QTest::newRow("free") << int(Clash::Skip) << false << "IMG_0001.jpg" << true;
        QTest::newRow("skip") << int(Clash::Skip) << true << "" << false;
        QTest::newRow("overwrite") << int(Clash::Overwrite) << true << "IMG_0001.jpg" << true;
        QTest::newRow("rename") << int(Clash::Rename) << true << "IMG_0001_同名957.jpg" << true;
    }
    void moveOnOneFileSystem()
    {
        QFETCH(int, clash);
        QFETCH(bool, taken);
        QFETCH(QString, name);
        QFETCH(bool, moved);
        ManualClock clk; // 9:05:07
        const QDateTime old(QDate(2020, 2, 3), QTime(4, 5, 6));
        QFile f(src);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
        f.close();
        const QString dst0 = dstFolder + QStringLiteral("/IMG_0001.jpg");
        if (taken)
            QVERIFY(writeFile(dst0, "old"));
        const QByteArray bytes = readFile(src);
        auto inode = [](const QString &p) {
            struct stat st {};
            return ::stat(QFile::encodeName(p).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
        };
        const quint64 file = inode(src);
        QString dst = dst0;
        const TransferResult r = Move(src, dst, Clash(clash));
        QVERIFY(!r.failed);
        QCOMPARE(r.copied, moved);
        QCOMPARE(QFileInfo::exists(src), !moved);
        if (!moved) {
            QCOMPARE(readFile(dst0), QByteArray("old"));
            return;
        }
        QCOMPARE(QFileInfo(dst).fileName(), name);
        QCOMPARE(readFile(dst), bytes);
        QCOMPARE(inode(dst), file);
        QCOMPARE(QFileInfo(dst).lastModified(), old);
    }

    // Across file systems a move copies, then deletes the source.
    void moveAcrossFileSystems()
    {
        const QString small = dir.filePath(QStringLiteral("small"));
        ScopedMount m = ScopedMount::tmpfs(small, 1024 * 1024);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        const QByteArray bytes = readFile(src);
        QString dst = small + QStringLiteral("/IMG_0001.jpg");
        const TransferResult r = Move(src, dst, Clash::Skip);
        QVERIFY(r.copied);
        QCOMPARE(readFile(dst), bytes);
        QVERIFY(!QFileInfo::exists(src));
        // A copy that fails keeps the source.
        QVERIFY(writeFile(src, bytes));
        dst = small + QStringLiteral("/none/IMG_0001.jpg");
        QVERIFY(Move(src, dst, Clash::Skip).failed);
        QCOMPARE(readFile(src), bytes);
    }

    void fullDiskOnANewFileLeavesNothing()
    {
        const QString small = dir.filePath(QStringLiteral("small"));
        ScopedMount m = ScopedMount::tmpfs(small, 256 * 1024);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        QVERIFY(writeFile(src, pattern(kTransferPiece + 10, 2)));
        ScriptedShell sh;
        sh.answerMessage(Answer::Retry); // still full: asked again
        sh.answerMessage(Answer::Cancel);
        QString dst = small + QStringLiteral("/big.bin");
        const TransferResult r = Transfer(src, dst, clash);
        QVERIFY(r.failed);
        QVERIFY(r.gaveUpAtFullDisk);
        QCOMPARE(sh.count(CallKind::Message), 2);
        QVERIFY(!QFileInfo::exists(dst));
        QVERIFY(partFiles(small).isEmpty());
    }
};

QTEST_MAIN(TransferTest)
#include "tst_transfer.moc"
