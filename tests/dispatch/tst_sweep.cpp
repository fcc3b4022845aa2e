// The traditional-character sweep through the dispatch button on real folders.
#include "Fixture.h"
#include "RunFolders.h"
#include "Inventory.h"
#include "Mounts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QTest>

using namespace fd;
using namespace fd::test;

class SweepTest : public RunFolders {
    Q_OBJECT

    void runSweep(const QString &filter, const QString &limit, const QString &strip)
    {
        w().Combo1->setEditText(filter);
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        w().ChFJ->setChecked(true);
        fx->shell.answerInput(limit);
        fx->shell.answerInput(strip);
        fx->shell.setAutoOk(true);
        w().CmdDo_Click();
    }

private slots:
    void init() { openFolders(); }
    void cleanup() { closeFolders(); }

    void sweep_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("strip");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QStringList>("stay"); // names left in the input folder
        QTest::addColumn<QStringList>("moved");
        QTest::newRow("traditional names") << "*.jpg" << "0" << ""
            << QStringList{"資料.jpg", "资料.jpg", "資料.png", ".資料.jpg", "🎉資料.jpg"}
            << QStringList{".資料.jpg", "资料.jpg", "資料.png"} << QStringList{"資料.jpg", "🎉資料.jpg"};
        QTest::newRow("short names") << "*.jpg" << "2abc" << ""
            << QStringList{"表.jpg", "表格資料.jpg", "表格文件.jpg", "🎉.jpg"}
            << QStringList{"表格文件.jpg"} << QStringList{"表.jpg", "表格資料.jpg", "🎉.jpg"};
        QTest::newRow("strip renames in place") << "*.*" << "" << "副本"
            << QStringList{"报告副本.jpg", "副本.jpg", "副本说明副本", "x副本.tar.gz"}
            << QStringList{"x.tar.gz", "副本.jpg", "报告.jpg", "说明"} << QStringList{};
        QTest::newRow("strip as a whole") << "*.*" << "0" << "ab" << QStringList{"a1b.jpg", "xaby.jpg"}
            << QStringList{"a1b.jpg", "xy.jpg"} << QStringList{};
        QTest::newRow("short names stripped") << "*.*" << "4" << "副本" << QStringList{"表副本.jpg", "副本.png"}
            << QStringList{} << QStringList{"副本.png", "表.jpg"};
        QTest::newRow("rename never replaces") << "*.*" << "0" << "副本" << QStringList{"报告副本.jpg", "报告.jpg"}
            << QStringList{"报告.jpg", "报告副本.jpg"} << QStringList{};
    }
    void sweep()
    {
        QFETCH(QString, filter);
        QFETCH(QString, limit);
        QFETCH(QString, strip);
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, stay);
        QFETCH(QStringList, moved);
        for (const QString &i : inputs)
            QVERIFY(writeFile(in + QLatin1Char('/') + i, i.toUtf8()));
        const Inventory before = Inventory::take({in});
        runSweep(filter, limit, strip);
        stay.sort();
        moved.sort();
        QCOMPARE(namesIn(in), stay);
        QCOMPARE(namesIn(out), moved);
        QVERIFY(before.lostAfter({in, out}).isEmpty());
        const QList<ShellCall> inputsAsked = fx->shell.ofKind(CallKind::Input);
        QCOMPARE(inputsAsked[0].defaultText, QStringLiteral("0"));
        QCOMPARE(fx->shell.last(CallKind::Message)->text, QStringLiteral("文件分发完毕！"));
        QCOMPARE(fx->shell.ofKind(CallKind::OpenFolder).size(), 1);
        const QStringList progress = titles.filter(QStringLiteral("  已移动文件数"));
        QCOMPARE(progress.isEmpty() ? 0 : progress.last().section(QStringLiteral("数"), -1).toInt(), int(moved.size()));
        QVERIFY(w().ChFJ->isEnabled() && !w().ChFJ->isChecked());
    }

    void nothingToSweepSaysNothing()
    {
        QVERIFY(writeFile(in + QStringLiteral("/资料.png"), "x"));
        runSweep(QStringLiteral("*.jpg"), QStringLiteral("0"), QString());
        QCOMPARE(fx->shell.count(CallKind::Message), 0);
        QVERIFY(QFile::exists(in + QStringLiteral("/资料.png")));
    }

    void otherFileSystems_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("tmpfs") << false;
        QTest::newRow("read-only") << true;
    }
    void otherFileSystems()
    {
        QFETCH(bool, readOnly);
        const QString real = dir->filePath(QStringLiteral("real"));
        QDir().mkpath(real);
        ScopedMount m = readOnly ? ScopedMount::readOnlyBind(real, out) : ScopedMount::tmpfs(out, 1 << 20);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("mount not allowed: ") + m.error()));
        for (const char *n : {"資料.jpg", "舊檔案.jpg"})
            QVERIFY(writeFile(in + QLatin1Char('/') + QString::fromUtf8(n), n));
        const Inventory before = Inventory::take({in});
        runSweep(QStringLiteral("*.*"), QStringLiteral("0"), QString());
        QCOMPARE(namesIn(in).size(), readOnly ? 2 : 0);
        QCOMPARE(namesIn(out).size(), readOnly ? 0 : 2);
        const QString last = fx->shell.last(CallKind::Message)->text;
        QVERIFY(readOnly ? last.startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败2份。"))
                         : last == QStringLiteral("文件分发完毕！"));
        QVERIFY(before.lostAfter({out}).isEmpty());
    }

    // A moved name that exists in the output folder follows the clash switches.
    void clashInTheOutputFolder_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QStringList>("stay");
        QTest::addColumn<int>("outCount");
        QTest::addColumn<QByteArray>("kept"); // then in out/資料.jpg
        QTest::newRow("skip") << false << false << QStringList{"資料.jpg"} << 1 << QByteArray("old");
        QTest::newRow("overwrite") << true << false << QStringList{} << 1 << QByteArray("new");
        QTest::newRow("rename") << false << true << QStringList{} << 2 << QByteArray("old");
    }
    void clashInTheOutputFolder()
    {
        QFETCH(bool, overwrite);
        QFETCH(bool, rename);
        QFETCH(QStringList, stay);
        QFETCH(int, outCount);
        QFETCH(QByteArray, kept);
        QVERIFY(writeFile(out + QStringLiteral("/資料.jpg"), "old"));
        QVERIFY(writeFile(in + QStringLiteral("/資料.jpg"), "new"));
        w().ChOvewr->setChecked(overwrite);
        w().ChRen->setChecked(rename);
        runSweep(QStringLiteral("*.*"), QStringLiteral("0"), QString());
        QCOMPARE(namesIn(in), stay);
        QCOMPARE(namesIn(out).size(), outCount);
        QCOMPARE(readFile(out + QStringLiteral("/資料.jpg")), kept);
    }

    // Every move fails and is reported; nothing leaves the input folder.
    void missingOutputFolder()
    {
        QVERIFY(QDir(out).removeRecursively());
        QVERIFY(writeFile(in + QStringLiteral("/資料.jpg"), "x"));
        const Inventory before = Inventory::take({in});
        runSweep(QStringLiteral("*.*"), QStringLiteral("0"), QString());
        QCOMPARE(namesIn(in), QStringList{"資料.jpg"});
        QVERIFY(fx->shell.last(CallKind::Message)->text.startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败1份。")));
        QVERIFY(before.lostAfter({in}).isEmpty());
    }
};

QTEST_MAIN(SweepTest)
#include "tst_sweep.moc"
