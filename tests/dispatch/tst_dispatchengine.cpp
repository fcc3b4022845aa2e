// The dispatch run without a window: the engine against a fake port, on real
// files in temporary folders.
#include "EngineFolders.h"
#include "Fixture.h"
#include "Inventory.h"
#include "Mounts.h"
#include "app/TextNumbers.h"
#include "catalogue/InputFolder.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/FailureLog.h"
#include "dispatch/Pace.h"
#include "dispatch/Rules.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QTimer>

using namespace fd;
using namespace fd::test;

Q_DECLARE_METATYPE(fd::Clash)

namespace {
const QString kDone = QStringLiteral("分发完毕！");
const QString kTitle = QStringLiteral("FD"); // the window title before a run
QString failures(int n) { return QStringLiteral("分发完毕！因文件访问错误，分发失败%1份。").arg(n); }
} // namespace

class DispatchEngineTest : public EngineFolders {
    Q_OBJECT

    // The window's three rules, each of which clears the order switch. n files a
    // numbered folder:
    void perFolder(long long n, bool inOrder = false)
    {
        port().shareSettings.fixedCount = true;
        port().shareSettings.perFolder = n;
        port().inOrder = inOrder;
    }
    // n equal shares, the files per share derived from the count:
    void equalShares(long long n, bool inOrder = false)
    {
        port().shareSettings = {false, textnum::shareSize(textnum::wholeValue(port().count), n), n};
        port().inOrder = inOrder;
    }
    // the listed folders:
    void listedFolders()
    {
        port().switches.customFolders = true;
        port().inOrder = false;
    }
    void addListed(const QString &path)
    {
        QDir().mkpath(path);
        port().folders.append({path, QFileInfo(path).fileName()});
    }
    // A read-only empty folder at path.
    ScopedMount readOnlyAt(const QString &path)
    {
        const QString real = dir->filePath(QStringLiteral("real-") + QFileInfo(path).fileName());
        QDir().mkpath(real);
        return ScopedMount::readOnlyBind(real, path);
    }

private slots:
    void init() { openFolders(); }
    void cleanup() { closeFolders(); }

    // ---- numbered folders ------------------------------------------------------------

    void fixedCountRandomOrder()
    {
        QVERIFY(makeFiles(in, 120));
        useFolders();
        perFolder(50);
        const Inventory before = Inventory::take({in});
        QVERIFY(writeFile(FailureLog::path(), "log of an earlier run"));
        run();
        QCOMPARE(lastMessage(), kDone);
        QCOMPARE(namesIn(numbered(1)).size(), 50);
        QCOMPARE(namesIn(numbered(2)).size(), 50);
        QCOMPARE(namesIn(numbered(3)).size(), 20);
        QVERIFY(!QFileInfo::exists(numbered(4)));
        QVERIFY(!QFileInfo::exists(FailureLog::path()));
        expectNothingLost(before);
        QCOMPARE(port().lastEnding.folderToShow, out);
        QCOMPARE(port().current, kTitle);
        QCOMPARE(port().locks, 1);
        QCOMPARE(port().unlocks, 1);
    }

    void onlyLastComponentKept()
    {
        QVERIFY(makeFiles(in, 3));
        useFolders();
        perFolder(1);
        port().lastFolderOnly = true;
        run();
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(namesIn(out + QStringLiteral("/in_分发") + QString::number(n)).size(), 1);
    }

    // Random order (neither sequential nor numeric): up to 2001 files a shuffled list
    // in shares of n / shares, the remainder last; above, direct picking with the
    // derived share, and the spare last folder goes again.
    void sharesInRandomOrder_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("shares");
        QTest::addColumn<QList<int>>("perFolder");
        QTest::newRow("remainder last") << 103 << 5 << QList<int>{20, 20, 20, 20, 20, 3};
        QTest::newRow("2001 prepared") << 2001 << 3 << QList<int>{667, 667, 667};
        QTest::newRow("2002 direct") << 2002 << 3 << QList<int>{668, 668, 666};
    }
    void sharesInRandomOrder()
    {
        QFETCH(int, files);
        QFETCH(int, shares);
        QFETCH(QList<int>, perFolder);
        QVERIFY(makeFiles(in, files));
        useFolders();
        equalShares(shares);
        port().byNumber = false;
        run();
        for (int n = 1; n <= perFolder.size(); ++n)
            QCOMPARE(namesIn(numbered(n)).size(), perFolder[n - 1]);
        QVERIFY(!QFileInfo::exists(numbered(perFolder.size() + 1)));
    }

    void sequentialNumericOrderAndSpareFolderRemoved()
    {
        // Names whose numbers order differently as text: 2 before 10.
        for (int i : {10, 2, 33, 1, 7, 21, 4})
            QVERIFY(writeFile(in + QStringLiteral("/IMG_%1.jpg").arg(i), QByteArray::number(i)));
        useFolders();
        equalShares(3, true); // 7 files: share 3, folders 1-4 made, 4 stays empty
        port().byNumber = true;
        const Inventory before = Inventory::take({in});
        run();
        QCOMPARE(namesIn(numbered(1)), (QStringList{"IMG_1.jpg", "IMG_2.jpg", "IMG_4.jpg"}));
        QCOMPARE(namesIn(numbered(2)), (QStringList{"IMG_10.jpg", "IMG_21.jpg", "IMG_7.jpg"}));
        QCOMPARE(namesIn(numbered(3)), (QStringList{"IMG_33.jpg"}));
        QVERIFY(!QFileInfo::exists(numbered(4))); // the spare folder is removed
        expectNothingLost(before);
    }

    void moreCataloguedThanListedReadsTheCatalogueAgain()
    {
        QVERIFY(makeFiles(in, 3));
        QVERIFY(writeFile(in + QStringLiteral("/.hidden.jpg"), "h"));
        useFolders();
        perFolder(10);
        QStringList titles;
        int pauses = 0;
        setPauseHook([&](float s) {
            QCOMPARE(s, 1.0f);
            titles << port().current;
            ++pauses;
        });
        run(); // the scan finds the hidden file too and raises the count above the listing
        QCOMPARE(pauses, 0);
        QCOMPARE(port().count, QStringLiteral("4"));
        fx->shell.clear();
        run();
        QCOMPARE(pauses, 1);
        QCOMPARE(titles.value(0), kTitle + QStringLiteral("  目标文件读取完毕，即将分发"));
        QCOMPARE(lastMessage(), kDone);
        // The dot-named file the catalogue listed is dispatched like the others.
        QSet<QString> placed;
        QDirIterator it(out, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            placed.insert(QFileInfo(it.next()).fileName());
        QCOMPARE(placed, (QSet<QString>{"f1.jpg", "f2.jpg", "f3.jpg", ".hidden.jpg"}));
    }

    void earlierFilesKeepTheirFolder()
    {
        QVERIFY(makeFiles(in, 4));
        useFolders();
        perFolder(2);
        // A folder 3 that holds files of an earlier run stays.
        QVERIFY(writeFile(numbered(3) + QStringLiteral("/old.txt"), "old"));
        run();
        QCOMPARE(readFile(numbered(3) + QStringLiteral("/old.txt")), QByteArray("old"));
    }

    void moveDeletesOnlyRealCopies()
    {
        QVERIFY(makeFiles(in, 5));
        useFolders();
        perFolder(5, true); // f1.. in scan order into folder 1
        // f3 clashes and is skipped: it must stay.
        QVERIFY(writeFile(numbered(1) + QStringLiteral("/f3.jpg"), "older"));
        const Inventory before = Inventory::take({in, out});
        port().move = true;
        port().clashRule = Clash::Skip;
        run();
        QCOMPARE(lastMessage(), kDone);
        QCOMPARE(namesIn(in), (QStringList{"f3.jpg"}));
        QCOMPARE(readFile(numbered(1) + QStringLiteral("/f3.jpg")), QByteArray("older"));
        expectNothingLost(before);
    }

    // An unwritable folder in move mode: its files are logged as failures and their
    // sources stay; in numbered folders the files before it are moved.
    void unwritableFolderInMoveMode_data()
    {
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QStringList>("stay");
        QTest::newRow("numbered") << false << QStringList{"f3.jpg", "f4.jpg"};
        QTest::newRow("listed, the last one") << true << QStringList{"f1.jpg", "f2.jpg"};
    }
    void unwritableFolderInMoveMode()
    {
        QFETCH(bool, listed);
        QFETCH(QStringList, stay);
        QVERIFY(makeFiles(in, listed ? 2 : 4));
        useFolders();
        if (listed) {
            listedFolders();
            addListed(out + QStringLiteral("/ok"));
            addListed(out + QStringLiteral("/bad"));
        } else {
            perFolder(2, true);
        }
        const QString bad = listed ? out + QStringLiteral("/bad") : numbered(2);
        ScopedMount m = readOnlyAt(bad);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m.error()));
        const Inventory before = Inventory::take({in});
        port().move = true;
        run();
        QCOMPARE(lastMessage(), failures(2) + QStringLiteral("\r\n稍候请参见分发失败的记录。"));
        QCOMPARE(fx->shell.last(CallKind::ShowFile)->text, FailureLog::path());
        QCOMPARE(namesIn(in), stay);
        const QList<QByteArray> lines = readFile(FailureLog::path()).split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[1], FailureLog::toGbk(in + QLatin1Char('/') + stay[0] + QStringLiteral("  →  ") + bad
                                             + QLatin1Char('/') + stay[0]) + '\r');
        expectNothingLost(before);
    }

    void copyModeMovesOnAndStopsAtTheLastFolder()
    {
        QVERIFY(makeFiles(in, 4));
        useFolders();
        perFolder(2, true);
        // Folder 1 cannot take files: its files go on into folder 2; folder 2 is
        // the last one, so nothing moves on past it.
        ScopedMount m1 = readOnlyAt(numbered(1));
        if (!m1.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m1.error()));
        const Inventory before = Inventory::take({in});
        run();
        // f1 and f2 move on into folder 2; f3 and f4 belong to folder 3, which the
        // count never made, and there is no folder after it: both are failures.
        QCOMPARE(namesIn(numbered(2)), (QStringList{"f1.jpg", "f2.jpg"}));
        QVERIFY(lastMessage().startsWith(failures(2)));

        // Now the last folder is unwritable too: the retry stops and logs.
        QDir(numbered(2)).removeRecursively();
        ScopedMount m2 = readOnlyAt(numbered(2));
        QVERIFY(m2.ok());
        fx->shell.clear();
        run();
        QVERIFY(lastMessage().startsWith(failures(4)));
        QCOMPARE(namesIn(in).size(), 4);
        expectNothingLost(before);
    }

    void fullOutputDisk_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("cancel") << false;
        QTest::newRow("retry after freeing space") << true;
    }
    void fullOutputDisk()
    {
        QFETCH(bool, retry);
        for (int i = 1; i <= 3; ++i)
            QVERIFY(writeFile(in + QStringLiteral("/f%1.bin").arg(i), QByteArray(120 * 1024, char('a' + i))));
        ScopedMount m = ScopedMount::tmpfs(out, 400 * 1024);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        const QString filler = out + QStringLiteral("/filler");
        QVERIFY(writeFile(filler, QByteArray(100 * 1024, 'z')));
        useFolders();
        perFolder(3, true);
        const Inventory before = Inventory::take({in});
        fx->shell.answerMessage(retry ? Answer::Retry : Answer::Cancel);
        if (retry)
            fx->shell.onRetryQuestion = [filler] { QFile::remove(filler); };
        run();
        const QList<ShellCall> msgs = fx->shell.ofKind(CallKind::Message);
        QCOMPARE(msgs.size(), 2);
        QCOMPARE(msgs[0].text, QStringLiteral("磁盘空间已满，请清理以释放空间后重试"));
        if (retry) {
            QCOMPARE(msgs[1].text, kDone);
            QCOMPARE(namesIn(numbered(1)).size(), 3);
        } else {
            QVERIFY(msgs[1].text.startsWith(failures(1)));
            QCOMPARE(namesIn(numbered(1)), (QStringList{"f1.bin", "f2.bin"}));
        }
        QCOMPARE(namesIn(in).size(), 3);
        expectNothingLost(before);
    }

    void readOnlySourceFolderInMoveMode()
    {
        QVERIFY(makeFiles(in, 3));
        const QString view = dir->filePath(QStringLiteral("roin"));
        ScopedMount m = ScopedMount::readOnlyBind(in, view);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m.error()));
        in = view;
        useFolders();
        perFolder(3);
        const Inventory before = Inventory::take({in});
        port().move = true;
        run();
        QCOMPARE(namesIn(in).size(), 3);          // the sources could not be deleted
        QCOMPARE(namesIn(numbered(1)).size(), 3); // and the copies are there
        QVERIFY(lastMessage().startsWith(failures(3))); // a move that stayed a copy is told
        expectNothingLost(before);
    }

    void sourceVanishingBeforeItsTurn()
    {
        QVERIFY(makeFiles(in, 40));
        useFolders();
        perFolder(10, true);
        const Inventory before = Inventory::take({in});
        // Once the run is under way, the last ten files disappear.
        QStringList gone;
        for (int i = 31; i <= 40; ++i)
            gone << in + QStringLiteral("/f%1.jpg").arg(i);
        bool removed = false;
        QTimer t;
        connect(&t, &QTimer::timeout, this, [&] {
            if (!removed && port().unlocks < port().locks && QDir(numbered(1)).count() > 3) {
                for (const QString &g : gone)
                    QFile::remove(g);
                removed = true;
            }
        });
        t.start(0);
        port().move = true;
        run();
        QVERIFY(removed);
        QCOMPARE(lastMessage(), kDone);
        QStringList lost = before.lostAfter({out});
        for (const QString &g : gone)
            lost.removeAll(g);
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QLatin1Char('\n'))));
    }

    // A source that can't be read fails once; the next files keep their folder.
    void unreadableSourceDoesNotMoveTheFolderOn()
    {
        QVERIFY(makeFiles(in, 4));
        useFolders();
        perFolder(2, true);
        // Said to be 4096 bytes long, it reads far fewer.
        ScopedMount m = ScopedMount::readOnlyBind(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"),
                                                  in + QStringLiteral("/f1.jpg"));
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("bind mount not allowed: ") + m.error()));
        run();
        QVERIFY(lastMessage().startsWith(failures(1)));
        QCOMPARE(namesIn(numbered(1)), (QStringList{"f2.jpg"}));
        QCOMPARE(namesIn(numbered(2)), (QStringList{"f3.jpg", "f4.jpg"}));
    }

    void numberedFoldersInsideTheInputFolder()
    {
        QVERIFY(makeFiles(in, 5));
        out = in;
        useFolders();
        perFolder(5);
        port().lastFolderOnly = true;
        const Inventory before = Inventory::take({in});
        port().move = true;
        run();
        QCOMPARE(namesIn(in + QStringLiteral("/in_分发1")).size(), 5);
        QVERIFY(namesIn(in).isEmpty());
        expectNothingLost(before);
    }

    // ---- listed folders --------------------------------------------------------------

    void includeRuleGoesToEveryFolderThatBeginsWithTheName()
    {
        in = dir->filePath(QStringLiteral("in.v1")); // the scan wants a "." somewhere in the path
        QVERIFY(makeFiles(in, {"a.jpg", "ab.jpg", "README"}));
        useFolders();
        listedFolders();
        port().switches.include = true;
        addListed(out + QStringLiteral("/a"));
        addListed(out + QStringLiteral("/ab"));
        addListed(out + QStringLiteral("/README notes"));
        run();
        QCOMPARE(namesIn(out + QStringLiteral("/a")), (QStringList{"a.jpg"}));
        QCOMPARE(namesIn(out + QStringLiteral("/ab")), (QStringList{"a.jpg", "ab.jpg"}));
        QCOMPARE(namesIn(out + QStringLiteral("/README notes")), (QStringList{"README"}));
        QCOMPARE(lastMessage(), kDone);
        // Nothing is opened for listed folders.
        QCOMPARE(fx->shell.count(CallKind::OpenFolder), 0);
        QVERIFY(port().lastEnding.folderToShow.isEmpty());
    }

    void everyFolderAndMoveAfterTheLastCopy()
    {
        QVERIFY(makeFiles(in, 3));
        useFolders();
        listedFolders();
        for (const char *n : {"x", "y", "z"})
            addListed(out + QLatin1Char('/') + QLatin1String(n));
        const Inventory before = Inventory::take({in});
        port().move = true;
        run();
        for (const char *n : {"x", "y", "z"})
            QCOMPARE(namesIn(out + QLatin1Char('/') + QLatin1String(n)).size(), 3);
        QVERIFY(namesIn(in).isEmpty());
        expectNothingLost(before);
    }

    void inputFolderAsItsOwnOutput()
    {
        QVERIFY(makeFiles(in, 3));
        useFolders();
        listedFolders();
        addListed(in);
        const Inventory before = Inventory::take({in});
        port().clashRule = Clash::Overwrite;
        port().move = true;
        run();
        QCOMPARE(namesIn(in).size(), 3);
        expectNothingLost(before, {in});
    }

    void clashes_data()
    {
        QTest::addColumn<Clash>("clash");
        QTest::addColumn<bool>("move");
        for (bool move : {false, true}) {
            const char *how = move ? "move" : "copy";
            QTest::addRow("skip, %s", how) << Clash::Skip << move;
            QTest::addRow("overwrite, %s", how) << Clash::Overwrite << move;
            QTest::addRow("rename, %s", how) << Clash::Rename << move;
        }
    }
    void clashes()
    {
        QFETCH(Clash, clash);
        QFETCH(bool, move);
        ManualClock clk;
        QVERIFY(makeFiles(in, {QStringLiteral("照片.jpg"), QStringLiteral("🎉.png"),
                               QString(84, QChar(0x6587)) + ".ab" /* 255 bytes */}));
        useFolders();
        listedFolders();
        const QString target = out + QStringLiteral("/t");
        addListed(target);
        for (const QString &n : namesIn(in))
            QVERIFY(writeFile(target + QLatin1Char('/') + n, "old"));
        const Inventory before = Inventory::take({in, out});
        port().clashRule = clash;
        port().move = move;
        run();
        const bool rename = clash == Clash::Rename;
        // The 255-byte name has no room for the rename suffix: that copy fails and is
        // reported, and its source stays even in move mode.
        if (rename)
            QVERIFY(lastMessage().startsWith(failures(1)));
        else
            QCOMPARE(lastMessage(), kDone);
        const bool copies = clash != Clash::Skip;
        QCOMPARE(namesIn(in).size(), move && copies ? (rename ? 1 : 0) : 3);
        QCOMPARE(namesIn(target).size(), rename ? 5 : 3);
        // Overwriting replaces the old copies on purpose; everything else is kept.
        QStringList lost = before.lostAfter({out});
        if (clash == Clash::Overwrite)
            lost = lost.filter(in);
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QLatin1Char('\n'))));
    }

    void commonCharacters_data()
    {
        QTest::addColumn<int>("common");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<QStringList>("inABx");
        QTest::addColumn<QStringList>("inYz");
        QTest::newRow("case counts") << 2 << false << QStringList{} << QStringList{"xyz2.jpg"};
        QTest::newRow("case ignored") << 2 << true << QStringList{"abc1.jpg"} << QStringList{"xyz2.jpg"};
        QTest::newRow("three in common") << 3 << true << QStringList{} << QStringList{};
    }
    void commonCharacters()
    {
        QFETCH(int, common);
        QFETCH(bool, ignoreCase);
        QFETCH(QStringList, inABx);
        QFETCH(QStringList, inYz);
        QVERIFY(makeFiles(in, {"abc1.jpg", "xyz2.jpg"}));
        useFolders();
        listedFolders();
        port().switches.common = true;
        addListed(out + QStringLiteral("/ABx"));
        addListed(out + QStringLiteral("/yz"));
        port().common = common;
        port().noCase = ignoreCase;
        run();
        QCOMPARE(namesIn(out + QStringLiteral("/ABx")), inABx);
        QCOMPARE(namesIn(out + QStringLiteral("/yz")), inYz);
        QCOMPARE(lastMessage(), kDone);
    }

    // ---- progress --------------------------------------------------------------------

    void progressInTheTitleOrTheBar()
    {
        QVERIFY(makeFiles(in, 3));
        useFolders();
        perFolder(3, true);
        QStringList titles;
        QList<int> bar;
        // Files that take longer than the message budget each get their turn.
        setTransferPieceHook([&](long long) {
            titles << port().current.mid(kTitle.size());
            bar << port().percent;
            QThread::msleep(pace::kBudgetMs + 2);
        });
        run();
        QCOMPARE(titles, (QStringList{"  文件顺序分发中：1/3", "  文件顺序分发中：2/3", "  文件顺序分发中：3/3"}));
        titles.clear();
        port().bar = true;
        run();
        QCOMPARE(bar.mid(3), (QList<int>{33, 67, 100})); // rounded, not cut
        QVERIFY(titles.isEmpty() || titles.first().isEmpty());
        titles.clear();
        port().bar = false;
        listedFolders();
        addListed(out + QStringLiteral("/g"));
        run();
        QCOMPARE(titles.first(), QStringLiteral("  正在复制...1/3"));
    }
};

QTEST_GUILESS_MAIN(DispatchEngineTest)
#include "tst_dispatchengine.moc"
