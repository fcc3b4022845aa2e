// A run dispatches what it started on: the catalogue's files, its own move
// decision, sets whatever the count says, names judged as they read.
#include "FakePort.h"
#include "Fixture.h"
#include "Inventory.h"
#include "Mounts.h"
#include "OddNames.h"
#include "catalogue/InputFolder.h"
#include "dispatch/DispatchRun.h"

#include <QDir>
#include <QTest>
#include <optional>

using namespace fd;
using namespace fd::test;

class RunGuardsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<EngineFixture> fx;
    std::unique_ptr<RawTemporaryDir> dir;
    QString in, out;

    FakePort &port() { return fx->port; }
    void run(const QString &filter, int count)
    {
        port().in = in;
        port().out = out;
        port().filter = filter;
        port().files.setPattern(listingPatternFor(filter));
        port().files.setPath(in);
        port().count = QString::number(count);
        DispatchRun(port()).execute();
    }
    QString lastMessage() const { return fx->shell.last(CallKind::Message)->text; }

private slots:
    void init()
    {
        dir = std::make_unique<RawTemporaryDir>();
        in = dir->path() + QStringLiteral("/in");
        out = dir->path() + QStringLiteral("/out");
        QDir().mkpath(in);
        QDir().mkpath(out);
        fx = std::make_unique<EngineFixture>();
        fx->shell.setAutoOk(true);
    }
    void cleanup()
    {
        setTransferPieceHook({});
        fx.reset();
        dir.reset();
    }

    // The file list shows a.jpeg for "*.jpg"; the count and the catalogue do not.
    void preparedOrderTakesTheCataloguesFiles()
    {
        QVERIFY(makeFiles(in, {"a.jpeg", "b.jpg", "c.jpg"}));
        port().inOrder = port().byNumber = false;
        run(QStringLiteral("*.jpg"), 2);
        const QString placed = Inventory::filesBelow(out).join(QLatin1Char('|'));
        QVERIFY2(placed.contains("/b.jpg") && placed.contains("/c.jpg") && !placed.contains("a.jpeg"), qPrintable(placed));
    }

    void copyRunStaysACopy()
    {
        QVERIFY(makeFiles(in, 6));
        setTransferPieceHook([this](long long) { port().move = true; }); // the switch ticked mid-run
        run(QStringLiteral("*.*"), 6);
        QCOMPARE(namesIn(in).size(), 6);
        QCOMPARE(Inventory::filesBelow(out).size(), 6);
        QVERIFY(!port().lastEnding.moved);
    }

    // The count was raised by an earlier scan of subfolders; the set root may be
    // in a read-only place, empty or holding an earlier set.
    void drawDrawsOrSaysWhy_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("earlier");
        QTest::addColumn<QString>("told");
        QTest::addColumn<int>("files"); // in the output folder afterwards
        QTest::newRow("count above the list") << false << "" << "分发完毕！ " << 4;
        QTest::newRow("leftover cannot go") << true << "00001/old.jpg" << "未能清空文件夹：" << 1;
        QTest::newRow("set root cannot be made") << true << "" << "无法创建文件夹：" << 0;
    }
    void drawDrawsOrSaysWhy()
    {
        QFETCH(bool, readOnly);
        QFETCH(QString, earlier);
        QFETCH(QString, told);
        QFETCH(int, files);
        const QString root = QStringLiteral("/随机抽取文件集/");
        QVERIFY(makeFiles(in, 3));
        QVERIFY(QDir().mkpath(dir->path() + QStringLiteral("/real")));
        QVERIFY(earlier.isEmpty() || writeFile(dir->path() + QStringLiteral("/real") + root + earlier, "old"));
        std::optional<ScopedMount> ro;
        if (readOnly && !ro.emplace(ScopedMount::readOnlyBind(dir->path() + QStringLiteral("/real"), out)).ok())
            QSKIP(qPrintable(QStringLiteral("read-only mount not allowed: ") + ro->error()));
        port().switches.draw = true;
        port().shareSettings.perFolder = 2;
        fx->shell.answerMessage(readOnly ? Answer::Ok : Answer::No); // No: keep the pool
        run(QStringLiteral("*.*"), 9);
        QVERIFY2(lastMessage().startsWith(told), qPrintable(lastMessage()));
        if (readOnly)
            QVERIFY(lastMessage().endsWith(QStringLiteral("分发已停止。")) && port().lastEnding.folderToShow.isEmpty());
        else
            QCOMPARE(namesIn(out + root, QDir::Dirs | QDir::NoDotAndDotDot), (QStringList{"00001", "00002"}));
        QCOMPARE(Inventory::filesBelow(out).size(), files);
    }

    void sweepReadsNamesAsTheyShow_data()
    {
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("strip");
        QTest::addColumn<QByteArrayList>("inputs");
        QTest::addColumn<QByteArrayList>("stay");
        QTest::addColumn<QByteArrayList>("moved");
        const QByteArray traditional("\xD9\x59\xC1\xCF.jpg"), simplified("\xD7\xCA\xC1\xCF.jpg"); // GBK 資料, 资料
        QTest::newRow("names in GBK") << "0" << "" << QByteArrayList{traditional, simplified}
                                      << QByteArrayList{simplified} << QByteArrayList{traditional};
        QTest::newRow("never stripped to nothing or hidden") << "0" << "副本"
            << QByteArrayList{"副本.x.jpg", "副本.jpg", "副本x.jpg"} << QByteArrayList{"x.jpg", "副本.jpg", "副本.x.jpg"}
            << QByteArrayList{};
        QTest::newRow("short name keeps its own") << "9" << "副本" << QByteArrayList{"副本.x.jpg"} << QByteArrayList{}
                                                  << QByteArrayList{"副本.x.jpg"};
    }
    void sweepReadsNamesAsTheyShow()
    {
        QFETCH(QString, limit);
        QFETCH(QString, strip);
        QFETCH(QByteArrayList, inputs);
        QFETCH(QByteArrayList, stay);
        QFETCH(QByteArrayList, moved);
        for (const QByteArray &name : inputs)
            QVERIFY(writeRawFile(in, name, name));
        const Inventory before = Inventory::take({in});
        port().switches.sweep = true;
        fx->shell.answerInput(limit);
        fx->shell.answerInput(strip);
        run(QStringLiteral("*.jpg"), int(inputs.size()));
        QCOMPARE(rawNamesIn(in), stay);
        QCOMPARE(rawNamesIn(out), moved);
        QCOMPARE(before.lostAfter({in, out}), QStringList());
    }
};

QTEST_MAIN(RunGuardsTest)
#include "tst_runguards.moc"
