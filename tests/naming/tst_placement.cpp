// Dispatch into folders named from the file names, on real files.
#include "Fixture.h"
#include "RunFolders.h"
#include "Inventory.h"
#include "Mounts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace fd;
using namespace fd::test;

class PlacementTest : public RunFolders {
    Q_OBJECT

    // Pattern variant; group 0 takes the whole match.
    void usePattern(const QString &pattern, int group)
    {
        useRule();
        w().TNewFold->setText(pattern);
        w().ChBracketNo->setChecked(group > 0);
        if (group > 0)
            w().LBracketNo->setCaption(QString::number(group));
    }
    // The first character of the name names the folder.
    void useFirstCharacter()
    {
        useRule();
        w().ChTrunck->setChecked(true);
        w().UpDown3->setValue(1);
    }
    void useRule()
    {
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        setOption(w().Opt3, true);
        w().ChFoldTrunck->setChecked(true);
    }
    void run(bool move = false)
    {
        w().ChBackUp->setChecked(move);
        if (!w().ChTrunck->isChecked())
            fx->shell.answerMessage(Answer::Ok); // continue without a preview
        if (move)
            fx->shell.answerMessage(Answer::Ok);
        fx->shell.setAutoOk(true);
        w().CmdDo_Click();
    }
    QStringList messages() const
    {
        QStringList l;
        for (const ShellCall &c : fx->shell.ofKind(CallKind::Message))
            l << c.text;
        return l;
    }
    static QStringList names(const QString &folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

private slots:
    void init() { openFolders(); }
    void cleanup() { closeFolders(); }

    void filesShareTheFoldersMadeForThem_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<QString>("folder");
        QTest::newRow("capture group") << 1 << "trip-paris";
        QTest::newRow("whole match") << 0 << "trip-paris-";
    }
    void filesShareTheFoldersMadeForThem()
    {
        QFETCH(int, group);
        QFETCH(QString, folder);
        QVERIFY(makeFiles(in, {"trip-paris-01.jpg", "trip-paris-02.jpg", "trip-rome-01.jpg"}));
        usePattern(QStringLiteral("(.+)(\\-)"), group);
        run();
        QCOMPARE(messages(), (QStringList{"强烈建议先预览新建文件夹后再分发。要继续吗？", "分发完毕！"}));
        QCOMPARE(names(out + QLatin1Char('/') + folder), (QStringList{"trip-paris-01.jpg", "trip-paris-02.jpg"}));
        QCOMPARE(names(out).size(), 2);
        QCOMPARE(names(in).size(), 3);
        QVERIFY(w().CmdIn->isEnabled() && !w().ChBackUp->isChecked());
    }

    void runEndsAtTheFirstFileWithoutName_data()
    {
        QTest::addColumn<QString>("stopper");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("placed");
        const QStringList ab{"a", "b"};
        QTest::newRow("no match") << "c.jpg" << "(.+)(\\-)" << ab;
        QTest::newRow("invalid pattern") << "c.jpg" << "(a" << QStringList();
    }
    void runEndsAtTheFirstFileWithoutName()
    {
        QFETCH(QString, stopper);
        QFETCH(QString, pattern);
        QFETCH(QStringList, placed);
        QVERIFY(makeFiles(in, {"a-1.jpg", "b-2.jpg", stopper, "d-4.jpg"}));
        const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
        QFile f(in + QStringLiteral("/a-1.jpg"));
        QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
        f.close();
        const Inventory before = Inventory::take({in});
        usePattern(pattern, 1);
        run(true);
        QCOMPARE(names(out), placed);
        QCOMPARE(names(in).size(), 4 - placed.size());
        QCOMPARE(messages().count(QStringLiteral("正则表达式语法错误！请检查修正！")), placed.isEmpty() ? 1 : 0);
        QVERIFY(!messages().contains(QStringLiteral("分发完毕！")));
        QVERIFY(before.lostAfter({out}).isEmpty());
        QVERIFY(w().CmdIn->isEnabled());
        if (!placed.isEmpty()) // a rename, not a copy
            QCOMPARE(QFileInfo(out + QStringLiteral("/a/a-1.jpg")).lastModified(), old);
    }

    void clashes_data()
    {
        QTest::addColumn<bool>("rename");
        QTest::addColumn<bool>("move");
        QTest::addColumn<QStringList>("inFolder");
        QTest::newRow("numbered copies") << true << false << QStringList{"photo(1).jpg", "photo(2).jpg", "photo.jpg"};
        QTest::newRow("copy replaces") << false << false << QStringList{"photo.jpg"};
        QTest::newRow("move replaces") << false << true << QStringList{"photo.jpg"};
    }
    void clashes()
    {
        QFETCH(bool, rename);
        QFETCH(bool, move);
        QFETCH(QStringList, inFolder);
        QVERIFY(makeFiles(in, {"photo.jpg"}));
        const QString p = out + QStringLiteral("/p/");
        QVERIFY(writeFile(p + QStringLiteral("photo.jpg"), "old"));
        for (int i = 0; i < (rename ? 2 : 1); ++i) {
            useFirstCharacter();
            w().ChRen->setChecked(rename);
            run(move);
        }
        QCOMPARE(names(p), inFolder);
        QCOMPARE(readFile(p + QStringLiteral("photo.jpg")), QByteArray(rename ? "old" : "photo.jpg"));
        QCOMPARE(readFile(p + inFolder.first()), QByteArray("photo.jpg"));
        QCOMPARE(names(in).size(), move ? 0 : 1);
        QCOMPARE(messages().count(QStringLiteral("分发完毕！")), rename ? 2 : 1);
    }

    void moveAcrossFileSystemsReplacesWhole()
    {
        QVERIFY(makeFiles(in, {"a1.jpg", "a2.jpg", "b1.jpg"}));
        ScopedMount m = ScopedMount::tmpfs(out, 1 << 20);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        QVERIFY(writeFile(out + QStringLiteral("/a/a2.jpg"), "old"));
        const Inventory before = Inventory::take({in});
        useFirstCharacter();
        run(true);
        QVERIFY(names(in).isEmpty());
        QCOMPARE(names(out + QStringLiteral("/a")), (QStringList{"a1.jpg", "a2.jpg"}));
        QCOMPARE(readFile(out + QStringLiteral("/a/a2.jpg")), QByteArray("a2.jpg"));
        QVERIFY(before.lostAfter({out}).isEmpty());
    }

    // Names that would lead out of the output folder, or back onto the file itself.
    void namesThatLeadNowhere_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("outIsParent");
        QTest::addColumn<QString>("landsAt"); // below the temporary folder
        QTest::newRow("spaces only") << "a b.jpg" << " " << false << "out/a b.jpg";
        QTest::newRow("dot dot") << "a..b.jpg" << "\\.+" << false << "out/a..b.jpg";
        QTest::newRow("its own folder") << "in-1.jpg" << "(.+)(\\-)" << true << "in/in-1.jpg";
    }
    void namesThatLeadNowhere()
    {
        QFETCH(QString, file);
        QFETCH(QString, pattern);
        QFETCH(bool, outIsParent);
        QFETCH(QString, landsAt);
        QVERIFY(makeFiles(in, {file}));
        if (outIsParent)
            out = dir->path();
        usePattern(pattern, outIsParent ? 1 : 0);
        w().ChRen->setChecked(true);
        run(true);
        QCOMPARE(readFile(dir->filePath(landsAt)), file.toUtf8());
        QCOMPARE(Inventory::filesBelow(dir->path()).size(), 1);
    }

    void noOutputFolderIsRefused()
    {
        QVERIFY(makeFiles(in, {"a-1.jpg"}));
        usePattern(QStringLiteral("(.+)(\\-)"), 1);
        w().LDirOut->setCaption(QString());
        run(true);
        QCOMPARE(messages(), QStringList{"您尚未指定要将文件分发到哪个主目录下的系列子文件中！请先添加分发输出所在的主目录！"});
        QCOMPARE(names(in).size(), 1);
        QVERIFY(w().CmdIn->isEnabled() && w().ChBackUp->isChecked());
    }
};

QTEST_MAIN(PlacementTest)
#include "tst_placement.moc"
