// What a run dispatches is what it was started on: the catalogue's files, its own
// move decision, the draw whatever the count says, names judged as they read.
#include "FakePort.h"
#include "Fixture.h"
#include "Inventory.h"
#include "Mounts.h"
#include "OddNames.h"
#include "catalogue/InputFolder.h"
#include "dispatch/DispatchRun.h"
#include "platform/NativeName.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {
const QString kSetRoot = QStringLiteral("随机抽取文件集");
}

class RunGuardsTest : public QObject {
    Q_OBJECT
    std::unique_ptr<EngineFixture> fx;
    std::unique_ptr<RawTemporaryDir> dir;
    QString in, out;

    FakePort &port() { return fx->port; }

    void useFolders(const QString &filter, int count)
    {
        port().in = in;
        port().out = out;
        port().filter = filter;
        port().files.setPattern(listingPatternFor(filter));
        port().files.setPath(in);
        port().count = QString::number(count);
    }
    QStringList messages() const
    {
        QStringList l;
        for (const ShellCall &c : fx->shell.ofKind(CallKind::Message))
            l << c.text;
        return l;
    }
    QStringList namesBelow(const QString &folder) const
    {
        QStringList names;
        for (const QString &f : Inventory::filesBelow(folder))
            names << QFileInfo(f).fileName();
        names.sort();
        return names;
    }

private slots:
    void init()
    {
        dir = std::make_unique<RawTemporaryDir>();
        in = dir->path() + QStringLiteral("/in");
        out = dir->path() + QStringLiteral("/out");
        QDir().mkpath(in);
        QDir().mkpath(out);
        fx = std::make_unique<EngineFixture>();
    }
    void cleanup()
    {
        setTransferPieceHook({});
        fx.reset();
        dir.reset();
    }

    // The file list shows .jpeg for "*.jpg"; the count and the scan do not.
    void preparedOrderTakesTheCataloguesFiles()
    {
        QVERIFY(makeFiles(in, {"a.jpeg", "b.jpg", "c.jpg"}));
        useFolders(QStringLiteral("*.jpg"), 2);
        port().inOrder = false;
        port().byNumber = false;
        fx->shell.answerMessage(Answer::Ok);
        DispatchRun(port()).execute();
        QCOMPARE(namesBelow(out), (QStringList{"b.jpg", "c.jpg"}));
        QCOMPARE(messages().last(), QStringLiteral("分发完毕！"));
    }

    void copyRunStaysACopy()
    {
        QVERIFY(makeFiles(in, 6));
        useFolders(QStringLiteral("*.*"), 6);
        const Inventory before = Inventory::take({in});
        setTransferPieceHook([this](long long) { port().move = true; }); // the switch ticked mid-run
        fx->shell.answerMessage(Answer::Ok);
        DispatchRun(port()).execute();
        QCOMPARE(namesIn(in).size(), 6);
        QCOMPARE(namesBelow(out).size(), 6);
        QCOMPARE(before.lostAfter({}), QStringList());
        QVERIFY(!port().lastEnding.moved);
    }

    // An earlier scan of subfolders raised the count above the file list's.
    void drawDrawsWhateverTheCount()
    {
        QVERIFY(makeFiles(in, 3));
        useFolders(QStringLiteral("*.*"), 9);
        port().switches.draw = true;
        port().shareSettings.perFolder = 2;
        fx->shell.answerMessage(Answer::No); // keep the pool
        DispatchRun(port()).execute();
        QCOMPARE(namesIn(out, QDir::Dirs | QDir::NoDotAndDotDot), QStringList{kSetRoot});
        QCOMPARE(namesIn(out + QLatin1Char('/') + kSetRoot, QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{"00001", "00002"}));
        QCOMPARE(namesBelow(out).size(), 4);
        QCOMPARE(port().pool.paths.size(), 3);
    }

    // A set root that cannot be emptied or made stops the draw with a message.
    void drawStopsWhenItsFoldersCannotBeRenewed_data()
    {
        QTest::addColumn<bool>("leftover");
        QTest::addColumn<QString>("told");
        QTest::newRow("leftover that cannot go") << true << QStringLiteral("未能清空文件夹：");
        QTest::newRow("set root cannot be made") << false << QStringLiteral("无法创建文件夹：");
    }
    void drawStopsWhenItsFoldersCannotBeRenewed()
    {
        QFETCH(bool, leftover);
        QFETCH(QString, told);
        QVERIFY(makeFiles(in, 3));
        const QString real = dir->path() + QStringLiteral("/real");
        QDir().mkpath(real);
        QVERIFY(!leftover || writeFile(real + QLatin1Char('/') + kSetRoot + QStringLiteral("/00001/old.jpg"), "old"));
        ScopedMount ro = ScopedMount::readOnlyBind(real, out);
        if (!ro.ok())
            QSKIP(qPrintable(QStringLiteral("read-only mount not allowed: ") + ro.error()));
        useFolders(QStringLiteral("*.*"), 3);
        port().switches.draw = true;
        fx->shell.answerMessage(Answer::Ok);
        DispatchRun(port()).execute();
        QCOMPARE(messages().size(), 1);
        QVERIFY2(messages().first().startsWith(told), qPrintable(messages().first()));
        QVERIFY(messages().first().endsWith(QStringLiteral("分发已停止。")));
        QVERIFY(port().lastEnding.folderToShow.isEmpty());
    }

    void sweepReadsNamesAsTheyShow_data()
    {
        QTest::addColumn<QString>("limit");
        QTest::addColumn<QString>("strip");
        QTest::addColumn<QList<QByteArray>>("inputs");
        QTest::addColumn<QList<QByteArray>>("stay");
        QTest::addColumn<QList<QByteArray>>("moved");
        const QByteArray traditional("\xD9\x59\xC1\xCF.jpg"), simplified("\xD7\xCA\xC1\xCF.jpg"); // 資料, 资料
        QTest::newRow("names in GBK") << "0" << "" << QList<QByteArray>{traditional, simplified}
                                      << QList<QByteArray>{simplified} << QList<QByteArray>{traditional};
        QTest::newRow("strip leaves no hidden or empty name")
            << "0" << "副本" << QList<QByteArray>{"副本.x.jpg", "副本.jpg", "副本x.jpg"}
            << QList<QByteArray>{"x.jpg", "副本.jpg", "副本.x.jpg"} << QList<QByteArray>{};
        QTest::newRow("short name keeps its own") << "9" << "副本" << QList<QByteArray>{"副本.x.jpg"}
                                                  << QList<QByteArray>{} << QList<QByteArray>{"副本.x.jpg"};
    }
    void sweepReadsNamesAsTheyShow()
    {
        QFETCH(QString, limit);
        QFETCH(QString, strip);
        QFETCH(QList<QByteArray>, inputs);
        QFETCH(QList<QByteArray>, stay);
        QFETCH(QList<QByteArray>, moved);
        for (const QByteArray &name : inputs)
            QVERIFY(writeRawFile(in, name, name));
        useFolders(QStringLiteral("*.jpg"), int(inputs.size()));
        port().switches.sweep = true;
        fx->shell.answerInput(limit);
        fx->shell.answerInput(strip);
        fx->shell.setAutoOk(true);
        const Inventory before = Inventory::take({in});
        DispatchRun(port()).execute();
        QCOMPARE(rawNamesIn(in), stay);
        QCOMPARE(rawNamesIn(out), moved);
        QCOMPARE(before.lostAfter({in, out}), QStringList());
    }
};

QTEST_MAIN(RunGuardsTest)
#include "tst_runguards.moc"
