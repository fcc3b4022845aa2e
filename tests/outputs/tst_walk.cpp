// The folder tree walk: listing subfolders for the output folder list, the custom
// subfolder list with its marker, and what each kind of walk leaves alone.
#include "Fixture.h"

#include "catalogue/CatalogueModel.h"
#include "catalogue/CustomDispatch.h"
#include "outputs/FlexGrid.h"
#include "outputs/Walk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QSet>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {



QString sep() { return QString(QDir::separator()); }

// The custom output folder mode, ready to add with subfolders.
void outputListMode(FDispatch &w)
{
    w.Opt3->click();
    w.ChSubFold->setChecked(true);
}

} // namespace

class TestWalk : public QObject {
    Q_OBJECT
private slots:
    void depthFirstPreOrderInNameOrder();
    void walkNeedsFlagAndSwitch();
    void randomDrawNeverDescends();
    void catalogueWalkListsNothing();
    void catalogueWalkScansEveryFolder();
    void missingFolderEndsQuietly();
    void linkBackToAncestorEnds();
    void customSubfolderList();
    void tenThousandFolders();
};

void TestWalk::depthFirstPreOrderInNameOrder()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    for (const char *d : {"out/b", "out/a/x", "out/a/W", "out/B", "out/.hidden"})
        makeDir(t, d);
    QVERIFY(writeFile(out + "/a/f.txt", "x"));
    QFile::link(t.path() + "/none", out + "/dangling"); // not a folder
    outputListMode(w);
    w.cat.treeWalk = true;
    WalkFolder(w.port(), out, WalkPurpose::OutputList);
    // Output folders are not input: nothing of them enters the catalogue.
    QCOMPARE(w.cat.count, 0LL);
    QVERIFY(w.cat.pathList.isEmpty());
    QCOMPARE(w.catalogue->count(), 0);
    const QString s = out + sep();
    QCOMPARE(gridPaths(w), (QStringList{s + ".hidden", s + "B", s + "a", s + "a" + sep() + "W",
                                     s + "a" + sep() + "x", s + "b"}));
    QCOMPARE(w.MSFlexGrid1->textMatrix(4, 1), QStringLiteral("W"));
    QCOMPARE(w.LFolds->caption(), QStringLiteral("6"));
}

void TestWalk::walkNeedsFlagAndSwitch()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    makeDir(t, "out/a");
    outputListMode(w);
    WalkFolder(w.port(), out, WalkPurpose::OutputList); // tree-walk flag not set
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
    w.cat.treeWalk = true;
    w.ChSubFold->setChecked(false);
    WalkFolder(w.port(), out, WalkPurpose::OutputList);
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
}

void TestWalk::randomDrawNeverDescends()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    makeDir(t, "out/a");
    outputListMode(w);
    w.ChRndDraw->setChecked(true);
    w.cat.treeWalk = true;
    WalkFolder(w.port(), out, WalkPurpose::OutputList);
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
}

void TestWalk::catalogueWalkListsNothing()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString in = makeDir(t, "in");
    makeDir(t, "in/a/b");
    QVERIFY(writeFile(in + "/a/b/f.txt", "x"));
    outputListMode(w);
    w.cat.treeWalk = true;
    // The input walk of a dispatch run must not send files into their own subfolders.
    WalkFolder(w.port(), in);
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
    QCOMPARE(w.LFolds->caption(), QStringLiteral("0"));
}

void TestWalk::catalogueWalkScansEveryFolder()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString in = makeDir(t, "in");
    QVERIFY(writeFile(in + "/top.txt", "x"));
    QVERIFY(writeFile(in + "/a/b/deep.txt", "x"));
    w.ChSubFold->setChecked(true); // Opt2: descends without the tree-walk flag
    WalkFolder(w.port(), in);
    QCOMPARE(w.cat.count, 2LL);
    // Without the switch only the folder itself is scanned.
    w.cat.count = 0;
    w.ChSubFold->setChecked(false);
    WalkFolder(w.port(), in);
    QCOMPARE(w.cat.count, 1LL);
}

void TestWalk::missingFolderEndsQuietly()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    outputListMode(w);
    w.cat.treeWalk = true;
    WalkFolder(w.port(), t.path() + "/nothing", WalkPurpose::OutputList);
    WalkFolder(w.port(), QString(), WalkPurpose::OutputList);
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
    QCOMPARE(fx.shell.calls.size(), 0);
}

void TestWalk::linkBackToAncestorEnds()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    const QString a = makeDir(t, "out/a");
    if (!QFile::link(out, a + "/loop"))
        QSKIP("no symbolic links here");
    outputListMode(w);
    w.cat.treeWalk = true;
    WalkFolder(w.port(), out, WalkPurpose::OutputList);
    QCOMPARE(gridPaths(w), (QStringList{a, a + sep() + "loop"}));
}

void TestWalk::customSubfolderList()
{
    QTemporaryDir t;
    const QString out = makeDir(t, "out");
    makeDir(t, "out/b");
    makeDir(t, "out/a/deep");
    const QString s = sep();
    QCOMPARE(customSubfolderEntries(out), (QStringList{s + "a", s + "b"})); // direct subfolders only
    // Only the leading folder path is taken off: a subfolder named like its parent keeps its name.
    makeDir(t, "x/x");
    QCOMPARE(customSubfolderEntries(t.path() + s + "x"), QStringList{s + "x"});
}

void TestWalk::tenThousandFolders()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QTemporaryDir t;
    const QString root = makeDir(t, "root");
    // 100 folders of 99 subfolders each: 10,000 folders below the root.
    for (int i = 0; i < 100; ++i)
        for (int j = 0; j < 99; ++j)
            QVERIFY(QDir().mkpath(QStringLiteral("%1/d%2/s%3").arg(root).arg(i, 3, 10, QLatin1Char('0'))
                                      .arg(j, 2, 10, QLatin1Char('0'))));
    outputListMode(w);
    // Part of the tree is listed before: it must not come twice.
    w.ChSubFold->setChecked(false);
    const QString first = QDir::toNativeSeparators(root + "/d000");
    QVERIFY(w.takeOutputFolder(first));
    w.ChSubFold->setChecked(true);
    QVERIFY(w.takeOutputFolder(root));
    const QStringList rows = gridPaths(w);
    QCOMPARE(rows.size(), 1 + 1 + 9999);
    QCOMPARE(QSet<QString>(rows.begin(), rows.end()).size(), rows.size());
    QCOMPARE(w.LFolds->caption(), QString::number(rows.size()));
    // d000 was listed already; its subfolders follow the root directly.
    QCOMPARE(rows.at(1), QDir::toNativeSeparators(root));
    QCOMPARE(rows.at(2), QDir::toNativeSeparators(root + "/d000/s00"));
    QCOMPARE(rows.at(2 + 99), QDir::toNativeSeparators(root + "/d001"));
    QCOMPARE(rows.last(), QDir::toNativeSeparators(root + "/d099/s98"));
}

QTEST_MAIN(TestWalk)
#include "tst_walk.moc"
