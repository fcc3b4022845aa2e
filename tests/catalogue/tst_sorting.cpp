// Sort key choice, list order of the catalogue view, and the random-order sort
// of the run list.
#include "FakePort.h"
#include "Fixture.h"

#include "catalogue/CatalogueModel.h"
#include "catalogue/Sorting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QRadioButton>
#include <QTreeView>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {

QVector<RunEntry> entries(const QStringList &keys)
{
    QVector<RunEntry> v;
    for (int i = 0; i < keys.size(); ++i)
        v.append({QStringLiteral("p%1").arg(i), keys[i]});
    return v;
}

QStringList pathsOf(const QVector<RunEntry> &v)
{
    QStringList r;
    for (const auto &e : v)
        r << e.path;
    return r;
}

CatalogueModel::Row row(const QString &name, const QString &size)
{
    CatalogueModel::Row r;
    r[0] = name;
    r[1] = size;
    r[6] = QStringLiteral("%1").arg(name.size(), 17, 10, QLatin1Char('0'));
    return r;
}

QStringList column(const CatalogueModel &m, int c)
{
    QStringList r;
    for (int i = 0; i < m.count(); ++i)
        r << m.text(i, c);
    return r;
}

} // namespace

class TestSorting : public QObject {
    Q_OBJECT
private slots:
    void stableAscendingOrder_data();
    void stableAscendingOrder();
    void progressInTitle();
    void progressBarReachesFull();
    void largeListStaysStable();
    void overflowAndShortLists();
    void keyChoiceResetsNumericSwitch();
    void listOrderFollowsControls();
    void newRowsTakeSortedPlace();
    void numericListOrder();
};

void TestSorting::stableAscendingOrder_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("ties keep catalogue order") << QStringList{"5", "3", "5", "1"} << QStringList{"p3", "p1", "p0", "p2"};
    QTest::newRow("entry 0 takes part") << QStringList{"9", "1", "2"} << QStringList{"p1", "p2", "p0"};
    QTest::newRow("numbers, not texts") << QStringList{"10", "9", "100"} << QStringList{"p1", "p0", "p2"};
    QTest::newRow("leading number, else 0") << QStringList{"12ab", "x", "3", ""} << QStringList{"p1", "p3", "p2", "p0"};
    QTest::newRow("one entry") << QStringList{"4"} << QStringList{"p0"};
}

void TestSorting::stableAscendingOrder()
{
    QFETCH(QStringList, keys);
    QFETCH(QStringList, order);
    FakePort port;
    QVector<RunEntry> v = entries(keys);
    QVERIFY(SortRunList(port, v, v.size() - 1));
    QCOMPARE(pathsOf(v), order);
    // Keys travel with their paths.
    for (const auto &e : v)
        QCOMPARE(e.key, keys[e.path.mid(1).toInt()]);
}

void TestSorting::progressInTitle()
{
    FakePort port;
    port.saved = QStringLiteral("T");
    port.inOrder = false;
    QVector<RunEntry> v = entries({"2"});
    QVERIFY(SortRunList(port, v, 0));
    QCOMPARE(port.current, QStringLiteral("T   随机抽取排序中...1/1"));
    port.inOrder = true;
    v = entries({"2", "1", "0"});
    QVERIFY(SortRunList(port, v, 2));
    QCOMPARE(port.current, QStringLiteral("T   排序中...3/3"));
    QCOMPARE(port.percent, 0);
}

void TestSorting::progressBarReachesFull()
{
    FakePort port;
    port.bar = true;
    QStringList keys;
    for (int i = 0; i < 32768; ++i)
        keys << QString::number((i * 7919) % 1000);
    QVector<RunEntry> v = entries(keys);
    QVERIFY(SortRunList(port, v, 32767));
    QCOMPARE(port.percent, 100);
    QVERIFY(port.titles.isEmpty());
}

void TestSorting::largeListStaysStable()
{
    FakePort port;
    QStringList keys;
    for (int i = 0; i < 5000; ++i)
        keys << QString::number((i * 31) % 97);
    QVector<RunEntry> v = entries(keys);
    QVERIFY(SortRunList(port, v, v.size() - 1));
    for (int i = 1; i < v.size(); ++i) {
        const int a = v[i - 1].key.toInt(), b = v[i].key.toInt();
        QVERIFY(a <= b);
        if (a == b) // equal keys: earlier entries first
            QVERIFY(v[i - 1].path.mid(1).toInt() < v[i].path.mid(1).toInt());
    }
}

void TestSorting::overflowAndShortLists()
{
    FakePort port;
    QVector<RunEntry> v = entries({"3", "2", "1"});
    QVERIFY(!SortRunList(port, v, 32768)); // does not fit 16 bits
    QCOMPARE(pathsOf(v), (QStringList{"p0", "p1", "p2"}));
    // Only entries 0..last index take part.
    QVERIFY(SortRunList(port, v, 1));
    QCOMPARE(pathsOf(v), (QStringList{"p1", "p0", "p2"}));
    // A last index beyond the list sorts what is there.
    v = entries({"3", "2"});
    QVERIFY(SortRunList(port, v, 10));
    QCOMPARE(pathsOf(v), (QStringList{"p1", "p0"}));
    QVector<RunEntry> empty;
    QVERIFY(SortRunList(port, empty, -1));
}

void TestSorting::keyChoiceResetsNumericSwitch()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QCOMPARE(w.CombOrder->currentIndex(), 0);
    QVERIFY(w.ChN->isEnabled() && w.ChN->isChecked());
    w.ChN->setChecked(false);
    w.CombOrder->setCurrentIndex(2);
    QVERIFY(!w.ChN->isChecked() && !w.ChN->isEnabled());
    w.CombOrder->setCurrentIndex(0);
    QVERIFY(w.ChN->isEnabled() && w.ChN->isChecked()); // the earlier choice is not kept
    w.CombOrder->setCurrentIndex(1);
    QVERIFY(w.ChN->isEnabled() && w.ChN->isChecked());
    // Picking the selected entry again is a choice too.
    QTest::qWait(1);
    w.ChN->setChecked(false);
    emit w.CombOrder->activated(1);
    QVERIFY(w.ChN->isChecked());
}

void TestSorting::listOrderFollowsControls()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    CatalogueModel &m = *w.catalogue;
    m.addRow(row("b.jpg", "9KB"));
    m.addRow(row("a.jpg", "10KB"));
    m.addRow(row("C.jpg", "1KB"));
    w.applyListOrder();
    QCOMPARE(column(m, 0), (QStringList{"a.jpg", "b.jpg", "C.jpg"}));
    QCOMPARE(w.ListView1->header()->sortIndicatorSection(), 0);
    w.OptD->click();
    QCOMPARE(m.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(column(m, 0), (QStringList{"C.jpg", "b.jpg", "a.jpg"}));
    QCOMPARE(w.ListView1->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    w.OptA->click();
    w.CombOrder->setCurrentIndex(1); // sizes order as texts: 10KB before 9KB
    QCOMPARE(m.sortColumn(), 1);
    QCOMPARE(column(m, 1), (QStringList{"10KB", "1KB", "9KB"}));
    QCOMPARE(w.ListView1->header()->sortIndicatorSection(), 1);
    QCOMPARE(w.ListView1->header()->sortIndicatorOrder(), Qt::AscendingOrder);
}

void TestSorting::newRowsTakeSortedPlace()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    CatalogueModel &m = *w.catalogue;
    m.addRow(row("m.jpg", "1KB"));
    m.addRow(row("z.jpg", "1KB"));
    QCOMPARE(m.text(0, 0), QStringLiteral("m.jpg"));
    m.addRow(row("a.jpg", "1KB"));
    // Read at once, before the window had a chance to re-sort on its own.
    QCOMPARE(column(m, 0), (QStringList{"a.jpg", "m.jpg", "z.jpg"}));
}

void TestSorting::numericListOrder()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    CatalogueModel &m = *w.catalogue;
    m.addRow(row("ccc", "1KB"));
    m.addRow(row("a", "1KB"));
    m.addRow(row("bb", "1KB"));
    w.OptD->click();
    w.sortListOnNumber();
    QCOMPARE(m.sortColumn(), 6);
    QCOMPARE(m.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(column(m, 0), (QStringList{"ccc", "bb", "a"}));
    w.OptA->click(); // back to the column of the chosen key
    QCOMPARE(m.sortColumn(), 0);
}

QTEST_MAIN(TestSorting)
#include "tst_sorting.moc"
