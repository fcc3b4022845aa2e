// Undoing the last run from its journal: the engine against a fake port, on
// real files in temporary folders.
#include "EngineFolders.h"
#include "Fixture.h"
#include "dispatch/RunJournal.h"
#include "dispatch/Transfer.h"
#include "dispatch/Undo.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QTest>
#include <functional>

using namespace fd;
using namespace fd::test;

namespace {
// Every entry below the folders, with each file's bytes: the state to come back to.
QStringList tree(const QStringList &folders)
{
    QStringList all;
    for (const QString &f : folders) {
        QDirIterator it(f, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString p = it.next();
            all << p + (it.fileInfo().isFile() ? QLatin1Char(' ') + readFile(p).toHex() : QString());
        }
    }
    all.sort();
    return all;
}
} // namespace

class UndoTest;
using Setup = std::function<void(UndoTest &)>;
Q_DECLARE_METATYPE(Setup)

class UndoTest : public EngineFolders {
    Q_OBJECT

    void prepare(int n, bool move)
    {
        QVERIFY(makeFiles(in, n));
        useFolders();
        port().move = move;
    }
    // Where the run put the file of that name.
    QString placed(const QString &name)
    {
        for (const QString &f : Inventory::filesBelow(out))
            if (f.endsWith(QLatin1Char('/') + name))
                return f;
        return QString();
    }

private slots:
    void init() { openFolders(); }
    void cleanup() { closeFolders(); }

    // Every kind of run comes back whole: the files where they were, nothing left in the output.
    void undoTakesBackTheRun_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::newRow("copies into numbered folders") << Setup([](UndoTest &t) { t.prepare(7, false); });
        QTest::newRow("moves into numbered folders") << Setup([](UndoTest &t) { t.prepare(7, true); });
        QTest::newRow("copies renamed at a clash") << Setup([](UndoTest &t) {
            t.prepare(3, false);
            t.run(); // its copies stay: the run undone is the next one
            t.port().clashRule = Clash::Rename;
        });
        const auto newFolders = [](bool move) {
            return Setup([move](UndoTest &t) {
                QVERIFY(makeFiles(t.in, {"甲-1.jpg", "甲-2.jpg", "乙-1.jpg"}));
                t.useFolders();
                t.port().switches.folderFromName = t.port().switches.customFolders = true;
                t.port().move = move;
            });
        };
        QTest::newRow("copies into new folders") << newFolders(false);
        QTest::newRow("moves into new folders") << newFolders(true);
        QTest::newRow("moves to every matching folder") << Setup([](UndoTest &t) {
            t.in = t.dir->filePath(QStringLiteral("in.v1")); // the scan wants a "." in the path
            QVERIFY(makeFiles(t.in, {"a.jpg", "ab.jpg"}));
            t.useFolders();
            t.port().switches.customFolders = t.port().switches.include = true;
            t.port().inOrder = false;
            for (const QString &f : {QStringLiteral("a"), QStringLiteral("ab")}) {
                QDir().mkpath(t.out + QLatin1Char('/') + f);
                t.port().folders.append({t.out + QLatin1Char('/') + f, f});
            }
            t.port().move = true;
        });
        QTest::newRow("sweep moves and renames") << Setup([](UndoTest &t) {
            QVERIFY(makeFiles(t.in, {"資料.jpg", "副本x.jpg", "plain.jpg"}));
            t.useFolders();
            t.port().switches.sweep = true;
            t.fx->shell.answerInput(QStringLiteral("0"));
            t.fx->shell.answerInput(QStringLiteral("副本"));
        });
    }
    void undoTakesBackTheRun()
    {
        QFETCH(Setup, setup);
        setup(*this);
        const QStringList before = tree({in, out});
        run();
        QVERIFY(tree({in, out}) != before);
        const int steps = undoableSteps();
        QVERIFY(steps > 0 && RunJournal::exists());
        const UndoReport r = undoLastRun();
        QVERIFY(r.complete);
        QCOMPARE(undoMessage(r), QStringLiteral("已撤销 %1 项，未能撤销 0 项").arg(steps));
        QCOMPARE(tree({in, out}), before);
        // Spent: a second undo changes nothing.
        QVERIFY(!RunJournal::exists());
        QCOMPARE(undoableSteps(), 0);
        QCOMPARE(undoLastRun().undone, 0);
        QCOMPARE(tree({in, out}), before);
    }

    // What cannot come back is left as it is and listed; the rest still goes.
    void leftBehindIsListed_data()
    {
        QTest::addColumn<bool>("move");
        QTest::addColumn<Setup>("meanwhile");
        QTest::addColumn<int>("n"); // the file left behind: fn.jpg
        QTest::addColumn<QString>("why");
        QTest::newRow("copy changed since") << false << Setup([](UndoTest &t) {
            QVERIFY(writeFile(t.placed("f2.jpg"), "edited"));
        }) << 2 << "分发的副本此后已被修改或替换";
        QTest::newRow("place taken since") << true << Setup([](UndoTest &t) {
            QVERIFY(writeFile(t.in + QStringLiteral("/f3.jpg"), "new"));
        }) << 3 << "原位置已有其他文件";
        QTest::newRow("moved file gone since") << true << Setup([](UndoTest &t) {
            QVERIFY(QFile::rename(t.placed("f1.jpg"), t.dir->filePath("elsewhere.jpg")));
        }) << 1 << "文件已不在分发后的位置";
    }
    void leftBehindIsListed()
    {
        QFETCH(bool, move);
        QFETCH(Setup, meanwhile);
        QFETCH(int, n);
        QFETCH(QString, why);
        prepare(5, move);
        run();
        const QString left = placed(QStringLiteral("f%1.jpg").arg(n));
        meanwhile(*this);
        const QStringList kept = tree({in});
        const QByteArray leftBytes = readFile(left);
        const UndoReport r = undoLastRun();
        QVERIFY(r.complete && r.left >= 1);
        QCOMPARE(r.firstLeft.value(0), left);
        QVERIFY(undoMessage(r).contains(QStringLiteral("未能撤销 %1 项").arg(r.left)));
        const QString list = QString::fromUtf8(readFile(RunJournal::leftListPath()));
        QVERIFY2(list.contains(left + QStringLiteral("  ——  ") + why), qPrintable(list));
        // Never replaced, never deleted: what stood there stays as it was.
        const QStringList now = tree({in});
        for (const QString &entry : kept)
            QVERIFY2(now.contains(entry), qPrintable(entry));
        QCOMPARE(readFile(left), leftBytes);
    }

    void replacedContentIsListed()
    {
        QVERIFY(makeFiles(in, 2));
        useFolders();
        port().clashRule = Clash::Overwrite;
        run();
        const QString f1 = placed(QStringLiteral("f1.jpg"));
        undoLastRun();
        QVERIFY(writeFile(f1, "older"));
        run();
        const UndoReport r = undoLastRun();
        QCOMPARE(r.left, 1);
        QVERIFY(readFile(RunJournal::leftListPath()).contains("已覆盖同名文件"));
        QCOMPARE(readFile(f1), QByteArray("f1.jpg")); // the copy stays
        QCOMPARE(Inventory::filesBelow(out), QStringList{f1});
    }

    // A kill after a file was placed but before its step was marked leaves the
    // step begun: the file is listed with its folder, everything done before goes.
    void killedRunIsUndoneUpToTheFileUnderWay()
    {
        QVERIFY(makeFiles(in, 6));
        useFolders();
        int pieces = 0;
        setTransferPieceHook([&](long long) {
            if (++pieces == 4) {
                RunJournal::current()->abandon(); // the journal as a kill leaves it
                port().stop = true;
            }
        });
        run();
        setTransferPieceHook({});
        QCOMPARE(Inventory::filesBelow(out).size(), 4);
        const UndoReport r = undoLastRun();
        QVERIFY(r.complete);
        const QStringList rest = Inventory::filesBelow(out);
        QCOMPARE(rest.size(), 1);
        QCOMPARE(r.left, 2);
        QCOMPARE(r.firstLeft.value(0), rest.value(0));
        QCOMPARE(namesIn(in).size(), 6);
    }

    // An undo stopped halfway goes on where it stopped, and counts the whole.
    void interruptedUndoFinishesLater()
    {
        prepare(6, true);
        run();
        const int steps = undoableSteps();
        int asked = 0;
        const UndoReport first = undoLastRun([&] { return ++asked > 3; });
        QVERIFY(!first.complete && RunJournal::exists());
        QCOMPARE(undoableSteps(), steps - 3);
        const UndoReport second = undoLastRun();
        QVERIFY(second.complete);
        QCOMPARE(second.undone, steps);
        QCOMPARE(namesIn(in).size(), 6);
        QVERIFY(Inventory::filesBelow(out).isEmpty());
    }

    // A new run's journal replaces the last: one level of undo.
    void journalFollowsTheLastRunThatWrote()
    {
        QVERIFY(makeFiles(in, 3));
        useFolders();
        run();
        const int first = undoableSteps();
        QVERIFY(first > 0);
        port().clashRule = Clash::Skip;
        port().out = dir->filePath(QStringLiteral("out2"));
        QDir().mkpath(port().out);
        run(); // copies again, elsewhere
        QVERIFY(undoableSteps() > 0);
        undoLastRun();
        QCOMPARE(Inventory::filesBelow(port().out).size(), 0);
        QCOMPARE(Inventory::filesBelow(out).size(), 3); // the earlier run's copies stay
    }
};

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
