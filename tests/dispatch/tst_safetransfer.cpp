// What a run may replace, move and delete: engine runs on real folders, each
// checked with the inventory (every input file whole at its source or an output).
#include "EngineFolders.h"
#include "Fixture.h"
#include "Inventory.h"
#include "Mounts.h"
#include "catalogue/InputFolder.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/FailureLog.h"
#include "dispatch/Rules.h"
#include "dispatch/Transfer.h"
#include "platform/WriteSlot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <cstdio>

using namespace fd;
using namespace fd::test;

namespace {
const QString kDone = QStringLiteral("分发完毕！");
QString failures(int n) { return QStringLiteral("分发完毕！因文件访问错误，分发失败%1份。").arg(n); }

// A small vfat image on a loop device: a case-insensitive file system.
class VfatMount {
public:
    VfatMount(const QString &image, const QString &folder) : folder_(folder)
    {
        const QString mkfs = QStandardPaths::findExecutable(QStringLiteral("mkfs.vfat"), {"/usr/sbin", "/sbin"});
        if (mkfs.isEmpty()) {
            why_ = QStringLiteral("mkfs.vfat missing");
            return;
        }
        QFile f(image);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(8 * 1024 * 1024)) {
            why_ = QStringLiteral("no image");
            return;
        }
        f.close();
        QDir().mkpath(folder);
        if (QProcess::execute(mkfs, {QStringLiteral("-n"), QStringLiteral("FDTEST"), image}) != 0
            || QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop,utf8"), image, folder}) != 0) {
            why_ = QStringLiteral("loop mount refused");
            return;
        }
        mounted_ = true;
    }
    ~VfatMount()
    {
        if (mounted_)
            QProcess::execute(QStringLiteral("umount"), {folder_});
    }
    bool ok() const { return mounted_; }
    QString why() const { return why_; }

private:
    QString folder_, why_;
    bool mounted_ = false;
};
} // namespace

class SafeTransferTest : public EngineFolders {
    Q_OBJECT

    // Every file in one numbered folder, in file order.
    void oneFolder()
    {
        port().shareSettings = {true, 1000, 1};
        port().inOrder = true;
    }
    QStringList logLines() const
    {
        QFile f(FailureLog::path());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

private slots:
    void init() { openFolders(); }
    void cleanup() { closeFolders(); }

    // A move never replaces a file that this run moved there itself, nor a
    // read-only one: the later file stays and is reported, or gets a new name.
    void placedAndReadOnlyFilesStay_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<Clash>("clash");
        QTest::addColumn<int>("failed");
        QTest::newRow("tree walk, overwrite") << "tree" << Clash::Overwrite << 1;
        QTest::newRow("tree walk, rename") << "tree" << Clash::Rename << 0;
        QTest::newRow("read-only destination") << "readonly" << Clash::Overwrite << 1;
        QTest::newRow("sweep to one name") << "sweep" << Clash::Overwrite << 1;
        QTest::newRow("case-insensitive output") << "vfat" << Clash::Overwrite << 1;
    }
    void placedAndReadOnlyFilesStay()
    {
        QFETCH(QString, setup);
        QFETCH(Clash, clash);
        QFETCH(int, failed);
        std::unique_ptr<VfatMount> vfat;
        if (setup == QLatin1String("tree")) {
            QVERIFY(writeFile(in + QStringLiteral("/s1/x.jpg"), "first"));
            QVERIFY(writeFile(in + QStringLiteral("/s2/x.jpg"), "second"));
            port().subfolders = true;
        } else if (setup == QLatin1String("readonly")) {
            QVERIFY(makeFiles(in, {QStringLiteral("a.jpg")}));
        } else if (setup == QLatin1String("sweep")) {
            QVERIFY(makeFiles(in, {QStringLiteral("报告.jpg"), QStringLiteral("报告副本.jpg")}));
            port().switches.sweep = true;
            fx->shell.answerInput(QStringLiteral("10"));
            fx->shell.answerInput(QStringLiteral("副本"));
        } else {
            vfat = std::make_unique<VfatMount>(dir->filePath(QStringLiteral("fat.img")), out);
            if (!vfat->ok())
                QSKIP(qPrintable(vfat->why()));
            QVERIFY(makeFiles(in, {QStringLiteral("IMG_1.JPG"), QStringLiteral("IMG_1.jpg")}));
        }
        useFolders();
        oneFolder();
        if (setup == QLatin1String("readonly")) {
            QVERIFY(writeFile(numbered(1) + QStringLiteral("/a.jpg"), "kept"));
            QFile::setPermissions(numbered(1) + QStringLiteral("/a.jpg"), QFile::ReadOwner);
        }
        const Inventory before = Inventory::take({in, out});
        port().move = true;
        port().clashRule = clash;
        run();
        if (setup != QLatin1String("sweep")) // the sweep reports by itself
            QVERIFY(failed ? lastMessage().startsWith(failures(failed)) : lastMessage() == kDone);
        QCOMPARE(logLines().size(), failed ? failed + 1 : 0);
        if (setup == QLatin1String("readonly"))
            QCOMPARE(readFile(numbered(1) + QStringLiteral("/a.jpg")), QByteArray("kept"));
        expectNothingLost(before);
    }

    // A source is deleted only when it is still the file that was copied whole.
    void changedSourceStays_data()
    {
        QTest::addColumn<bool>("replaced"); // else it grows
        QTest::newRow("grows while copied") << false;
        QTest::newRow("replaced while copied") << true;
    }
    void changedSourceStays()
    {
        QFETCH(bool, replaced);
        const QString source = in + QStringLiteral("/big.bin");
        const QByteArray original(3 * 1024 * 1024, 'a');
        QVERIFY(writeFile(source, original));
        ScopedMount m = ScopedMount::tmpfs(out, 16 * 1024 * 1024); // a move across file systems
        if (!m.ok())
            QSKIP(qPrintable(m.error()));
        useFolders();
        oneFolder();
        const QString destination = numbered(1) + QStringLiteral("/big.bin");
        bool once = false;
        setTransferPieceHook([&](long long) {
            // Written under its final name only while the write slot names it.
            QVERIFY(!QFileInfo::exists(destination) || WriteSlot::pending(WriteSlot::defaultPath()) == destination);
            if (once)
                return;
            once = true;
            if (replaced) {
                QVERIFY(writeFile(in + QStringLiteral("/new.bin"), "newer"));
                QVERIFY(::rename(QFile::encodeName(in + QStringLiteral("/new.bin")).constData(),
                                 QFile::encodeName(source).constData())
                        == 0);
            } else {
                QFile f(source);
                QVERIFY(f.open(QIODevice::Append));
                f.write("more");
            }
        });
        const Inventory before = Inventory::take({in});
        port().move = true;
        run();
        QVERIFY(lastMessage().startsWith(failures(1)));
        if (replaced) { // the copy holds the file as it was opened; the newer one stays
            QCOMPARE(readFile(destination), original);
            QCOMPARE(readFile(source), QByteArray("newer"));
        } else {
            QVERIFY(!QFileInfo::exists(destination));
            QCOMPARE(readFile(source), original + "more");
        }
        QCOMPARE(namesIn(numbered(1), QDir::Files | QDir::Hidden).size(), replaced ? 1 : 0);
        if (replaced) // a grown source is no longer the file the inventory saw
            expectNothingLost(before);
    }

    // A copy killed half way is named in the write slot: the next run removes
    // it, never another file put there since.
    void killedCopyIsRemoved_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("since"); // what happened at the name after the kill
        QTest::addColumn<bool>("stays");
        QTest::newRow("left half written") << 3 * 1024 * 1024 << "" << false;
        QTest::newRow("another file there since") << 3 * 1024 * 1024 << "replaced" << true;
        QTest::newRow("one piece, short") << 5000 << "cut" << false;
        QTest::newRow("one piece, whole") << 5000 << "" << true;
    }
    void killedCopyIsRemoved()
    {
        QFETCH(int, size);
        QFETCH(QString, since);
        QFETCH(bool, stays);
        const QString source = in + QStringLiteral("/big.bin");
        QVERIFY(writeFile(source, QByteArray(size, 'a')));
        useFolders();
        oneFolder();
        const QString destination = numbered(1) + QStringLiteral("/big.bin");
        const QString slot = WriteSlot::defaultPath(), killed = slot + QStringLiteral(".killed");
        setTransferPieceHook([&](long long) {
            if (QFileInfo::exists(destination) && !QFileInfo::exists(killed))
                QVERIFY(QFile::copy(slot, killed)); // what a kill now would leave
        });
        run();
        QCOMPARE(lastMessage(), kDone);
        QCOMPARE(WriteSlot::pending(killed), destination);
        if (since == QLatin1String("replaced")) {
            QVERIFY(writeFile(destination + QStringLiteral(".new"), "mine"));
            QVERIFY(QFile::remove(destination));
            QVERIFY(QFile::rename(destination + QStringLiteral(".new"), destination));
        } else if (since == QLatin1String("cut")) {
            QVERIFY(QFile::resize(destination, size / 2));
        }
        QVERIFY(QFile::remove(slot));
        QVERIFY(QFile::rename(killed, slot));
        { TransferSession next([](const QString &, const QString &) {}); }
        QCOMPARE(QFileInfo::exists(destination), stays);
        QCOMPARE(QFileInfo(source).size(), size);
    }

    // A move across file systems deletes every source by the report, never one
    // whose copy is missing; an interrupted run's temporary files go.
    void crossDeviceMove()
    {
        QVERIFY(makeFiles(in, 300));
        ScopedMount m = ScopedMount::tmpfs(out, 16 * 1024 * 1024);
        if (!m.ok())
            QSKIP(qPrintable(m.error()));
        useFolders();
        oneFolder();
        const QString leftover = numbered(1) + QStringLiteral("/.fdpart-999999999-1");
        QVERIFY(writeFile(leftover, "half"));
        const Inventory before = Inventory::take({in});
        port().move = true;
        run();
        QCOMPARE(lastMessage(), kDone);
        QCOMPARE(namesIn(in, QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(namesIn(numbered(1), QDir::Files | QDir::Hidden).size(), 300);
        expectNothingLost(before);
    }

    // The program's files stay when the input folder is the program's own, in
    // every mode; dot-named files the catalogue lists are dispatched like others.
    void ownAndDotNamedFiles_data()
    {
        QTest::addColumn<bool>("newFolders");
        QTest::addColumn<bool>("hiddenShown");
        QTest::newRow("numbered, dot files listed") << false << true;
        QTest::newRow("new folders, dot files listed") << true << true;
        QTest::newRow("new folders, dot files not listed") << true << false;
    }
    void ownAndDotNamedFiles()
    {
        QFETCH(bool, newFolders);
        QFETCH(bool, hiddenShown);
        in = fx->programDir.path();
        QStringList own{QStringLiteral("STRebooter"), QStringLiteral("帮助.chm")};
        QVERIFY(makeFiles(in, own + QStringList{QStringLiteral("a-1.jpg"), QStringLiteral(".b-2.jpg")}));
        const Inventory before = Inventory::take({in});
        QVERIFY(writeFile(FailureLog::path(), "an earlier run's log")); // rewritten by the run
        own << FailureLog::fileName();
        port().files.setHidden(hiddenShown);
        useFolders();
        if (!hiddenShown) // an earlier run's scan counted the dot-named file too
            port().count = QString::number(port().files.listCount() + 1);
        oneFolder();
        if (newFolders) {
            port().switches.folderFromName = true;
            port().switches.customFolders = true;
            port().rule.pattern = QStringLiteral("[^.]"); // every name gives a folder
        }
        port().move = true;
        run();
        for (const QString &name : own)
            QVERIFY2(QFileInfo::exists(in + QLatin1Char('/') + name), qPrintable(name));
        QVERIFY(!QFileInfo::exists(in + QStringLiteral("/a-1.jpg")));
        // Listed or not, the dot-named file is dispatched or reported, never dropped silently.
        QVERIFY(!QFileInfo::exists(in + QStringLiteral("/.b-2.jpg")) || lastMessage() != kDone);
        expectNothingLost(before);
    }
};

QTEST_MAIN(SafeTransferTest)
#include "tst_safetransfer.moc"
