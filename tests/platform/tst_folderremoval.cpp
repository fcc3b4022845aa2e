// The guard on deleting a folder with everything in it, on real folders.
#include "Fixture.h"
#include "Inventory.h"
#include "Mounts.h"
#include "platform/Env.h"
#include "OddNames.h"
#include "platform/FolderRemoval.h"
#include "platform/NativeName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

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
        QCOMPARE(int(removeTree(folder, in).verdict.why), why);
        QCOMPARE(before.lostAfter({}), QStringList());
        QVERIFY(QFileInfo(at("other/link")).isSymLink());
    }

    void othersGoWithEverythingInThem()
    {
        // Links inside are removed as links; what they point to stays.
        const QString doomed = at("work/sets");
        QVERIFY(writeFile(doomed + QStringLiteral("/00001/a.jpg"), "a"));
        QVERIFY(QFile::link(in, doomed + QStringLiteral("/00001/in")));
        QVERIFY(removeTree(doomed, in).done());
        QVERIFY(!QFileInfo::exists(doomed));
        // A link as the folder itself: only the link goes.
        QVERIFY(writeFile(at("work/target/t.txt"), "t"));
        QVERIFY(QFile::link(at("work/target"), at("work/viaLink")));
        QVERIFY(removeTree(at("work/viaLink"), in).done());
        QVERIFY(!QFileInfo(at("work/viaLink")).isSymLink());
        QCOMPARE(readFile(at("work/target/t.txt")), QByteArray("t"));
        QCOMPARE(readFile(in + QStringLiteral("/keep.txt")), QByteArray("keep"));
        // Nothing there: nothing to do.
        QVERIFY(removeTree(at("work/never"), in).done());
    }

    void rootOfAMountedFileSystem()
    {
        ScopedMount m = ScopedMount::tmpfs(at("mnt"), 1 << 20);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        QVERIFY(writeFile(at("mnt/data.txt"), "d"));
        QCOMPARE(int(removeTree(at("mnt"), in).verdict.why), int(RemovalRefusal::Root));
        QCOMPARE(readFile(at("mnt/data.txt")), QByteArray("d"));
        QCOMPARE(int(treeRemovalRefusal(at("mnt/sub"), in)), int(RemovalRefusal::None));
    }

    // Never into another mount, nor into a protected folder seen through one.
    void staysInside_data()
    {
        QTest::addColumn<bool>("bindInput");
        QTest::addColumn<int>("why");
        QTest::newRow("input bound inside") << true << int(RemovalRefusal::HoldsProtected);
        QTest::newRow("file system mounted inside") << false << int(RemovalRefusal::HoldsMount);
    }
    void staysInside()
    {
        QFETCH(bool, bindInput);
        QFETCH(int, why);
        const QString doomed = at(QStringLiteral("sets%1").arg(why));
        const QString inner = doomed + QStringLiteral("/00001/deep");
        QVERIFY(writeFile(doomed + QStringLiteral("/00001/a.jpg"), "a"));
        ScopedMount m = bindInput ? ScopedMount::readOnlyBind(in, inner) : ScopedMount::tmpfs(inner, 1 << 20);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("mount not allowed: ") + m.error()));
        QVERIFY(bindInput || writeFile(inner + QStringLiteral("/stick.txt"), "s"));
        const Inventory before = Inventory::take({dir.path()});
        const TreeRemoval r = removeTree(doomed, in);
        QCOMPARE(int(r.verdict.why), why);
        QCOMPARE(r.verdict.at, inner);
        QCOMPARE(before.lostAfter({}), QStringList());
    }

    void deletionCutShortIsTold()
    {
        QVERIFY(writeFile(at("real/sets/00001/a.jpg"), "a"));
        ScopedMount m = ScopedMount::readOnlyBind(at("real"), at("view"));
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("mount not allowed: ") + m.error()));
        const TreeRemoval r = removeTree(at("view/sets"), in);
        QCOMPARE(int(r.verdict.why), int(RemovalRefusal::None));
        QVERIFY(!r.done());
        QVERIFY2(r.left.startsWith(at("view/sets")), qPrintable(r.left));
        QCOMPARE(readFile(at("real/sets/00001/a.jpg")), QByteArray("a"));
    }

    // Started from a folder named in GBK, the program knows that folder as its own
    // and never deletes it.
    void programFolderNamedInGbk()
    {
        const QString folder = at(decodeFileName("\xB3\xCC\xD0\xF2")); // 程序
        QFile self(QCoreApplication::applicationFilePath());
        QVERIFY(self.open(QIODevice::ReadOnly));
        QVERIFY(writeRawFile(folder, "tst", self.readAll()));
        const QByteArray exe = encodeFileName(folder + QStringLiteral("/tst"));
        QVERIFY(::chmod(exe.constData(), 0755) == 0);
        QVERIFY(::symlink(exe.constData(), QFile::encodeName(at("start")).constData()) == 0);
        QProcess child;
        qputenv("FD_SHOW_PROGRAM_FOLDER", "1");
        child.start(at("start"), {});
        qunsetenv("FD_SHOW_PROGRAM_FOLDER");
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.readAllStandardOutput(),
                 encodeFileName(folder) + '\n' + QByteArray::number(int(RemovalRefusal::ProgramFolder)));
        QVERIFY(removeTree(folder, in).done()); // a name the temporary folder cannot remove
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("FD_SHOW_PROGRAM_FOLDER")) { // the child of programFolderNamedInGbk
        const QString own = programFolder();
        const QByteArray shown = encodeFileName(own) + '\n' + QByteArray::number(int(treeRemovalRefusal(own, {})));
        return std::fwrite(shown.constData(), 1, size_t(shown.size()), stdout) == size_t(shown.size()) ? 0 : 1;
    }
    FolderRemovalTest t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_folderremoval.moc"
