// The guard on deleting a folder with everything in it, on real folders.
#include "Fixture.h"
#include "Inventory.h"
#include "Mounts.h"
#include "platform/Env.h"
#include "platform/FolderRemoval.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace fd;
using namespace fd::test;

class FolderRemovalTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString in, program, home;
    QByteArray oldHome;

    QString at(const QString &rel) const { return dir.path() + QLatin1Char('/') + rel; }

private slots:
    void initTestCase()
    {
        in = at("box/in");
        program = at("apps/prog");
        home = at("home/me");
        for (const QString &f : {in, program, home})
            QVERIFY(writeFile(f + QStringLiteral("/keep.txt"), "keep"));
        QDir().mkpath(at("other"));
        QVERIFY(QFile::link(in, at("other/link")));
        oldHome = qgetenv("HOME");
        qputenv("HOME", home.toLocal8Bit());
        setProgramFolderOverride(program);
    }
    void cleanupTestCase()
    {
        qputenv("HOME", oldHome);
        setProgramFolderOverride(QString());
    }

    void refused_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("why");
        QTest::addColumn<bool>("real"); // safe to hand to removeTree
        QTest::newRow("root") << "/" << int(RemovalRefusal::Root) << false;
        QTest::newRow("empty") << "" << int(RemovalRefusal::NotAbsolute) << false;
        QTest::newRow("relative") << "out" << int(RemovalRefusal::NotAbsolute) << false;
        QTest::newRow("home") << home << int(RemovalRefusal::Home) << true;
        QTest::newRow("program") << program << int(RemovalRefusal::ProgramFolder) << true;
        QTest::newRow("input") << in << int(RemovalRefusal::InputFolder) << true;
        QTest::newRow("input, trailing separator") << in + "/" << int(RemovalRefusal::InputFolder) << true;
        QTest::newRow("input by a detour") << at("box/in/../../box/in") << int(RemovalRefusal::InputFolder) << true;
        QTest::newRow("link to input") << at("other/link") << int(RemovalRefusal::InputFolder) << true;
        QTest::newRow("holds input") << at("box") << int(RemovalRefusal::HoldsProtected) << true;
        QTest::newRow("holds home") << at("home") << int(RemovalRefusal::HoldsProtected) << true;
        QTest::newRow("holds program") << at("apps") << int(RemovalRefusal::HoldsProtected) << true;
        QTest::newRow("holds everything") << dir.path() << int(RemovalRefusal::HoldsProtected) << true;
    }
    void refused()
    {
        QFETCH(QString, folder);
        QFETCH(int, why);
        QFETCH(bool, real);
        QCOMPARE(int(treeRemovalRefusal(folder, in)), why);
        if (!real)
            return;
        const Inventory before = Inventory::take({dir.path()});
        QCOMPARE(int(removeTree(folder, in)), why);
        QCOMPARE(before.lostAfter({}), QStringList());
        QVERIFY(QFileInfo(at("other/link")).isSymLink());
    }

    void othersGoWithEverythingInThem()
    {
        // Links inside are removed as links; what they point to stays.
        const QString doomed = at("work/sets");
        QVERIFY(writeFile(doomed + QStringLiteral("/00001/a.jpg"), "a"));
        QVERIFY(QFile::link(in, doomed + QStringLiteral("/00001/in")));
        QCOMPARE(int(removeTree(doomed, in)), int(RemovalRefusal::None));
        QVERIFY(!QFileInfo::exists(doomed));
        // A link as the folder itself: only the link goes.
        QVERIFY(writeFile(at("work/target/t.txt"), "t"));
        QVERIFY(QFile::link(at("work/target"), at("work/viaLink")));
        QCOMPARE(int(removeTree(at("work/viaLink"), in)), int(RemovalRefusal::None));
        QVERIFY(!QFileInfo(at("work/viaLink")).isSymLink());
        QCOMPARE(readFile(at("work/target/t.txt")), QByteArray("t"));
        QCOMPARE(readFile(in + QStringLiteral("/keep.txt")), QByteArray("keep"));
        // Nothing there: nothing to do.
        QCOMPARE(int(removeTree(at("work/never"), in)), int(RemovalRefusal::None));
    }

    void rootOfAMountedFileSystem()
    {
        ScopedMount m = ScopedMount::tmpfs(at("mnt"), 1 << 20);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        QVERIFY(writeFile(at("mnt/data.txt"), "d"));
        QCOMPARE(int(removeTree(at("mnt"), in)), int(RemovalRefusal::Root));
        QCOMPARE(readFile(at("mnt/data.txt")), QByteArray("d"));
        QCOMPARE(int(treeRemovalRefusal(at("mnt/sub"), in)), int(RemovalRefusal::None));
    }
};

QTEST_MAIN(FolderRemovalTest)
#include "tst_folderremoval.moc"
