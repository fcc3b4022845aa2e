#include "catalogue/CatalogueModel.h"

#include <QTest>
#include <algorithm>

using fd::CatalogueModel;

namespace {

CatalogueModel::Row row(const QString &name, const QString &tag)
{
    CatalogueModel::Row r;
    r[0] = name;
    r[1] = tag;
    return r;
}

QStringList column(const CatalogueModel &m, int c)
{
    QStringList l;
    for (int i = 0; i < m.count(); ++i)
        l << m.row(i)[size_t(c)];
    return l;
}

// The order a full stable sort gives: case-insensitive on column 0, ties in arrival order.
QStringList expectedTags(QList<CatalogueModel::Row> rows, bool ascending)
{
    std::stable_sort(rows.begin(), rows.end(), [ascending](const auto &a, const auto &b) {
        const int r = QString::compare(a[0], b[0], Qt::CaseInsensitive);
        return ascending ? r < 0 : r > 0;
    });
    QStringList l;
    for (const auto &r : rows)
        l << r[1];
    return l;
}

} // namespace

class TstCatalogueModel : public QObject {
    Q_OBJECT
private slots:
    void rowsAddedBetweenSortsKeepAStableOrder();
    void newSettingsAndClearSortEverything();
    void viewHearsOfRowsInBatches();
    void slicedSortGivesTheSameOrder();
};

// A run sorts in slices: the same stable order, both directions, many ties.
void TstCatalogueModel::slicedSortGivesTheSameOrder()
{
    for (const bool ascending : {true, false}) {
        CatalogueModel m;
        QList<CatalogueModel::Row> rows;
        for (int i = 0; i < 9000; ++i)
            rows << row(QString(QChar(i % 2 ? 'a' + i % 7 : 'A' + i % 7)) + QString::number(i % 50), QString::number(i));
        for (const auto &r : rows)
            m.addRow(r);
        m.setSortOrder(ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        m.setSorted(true);
        // Between slices the view repaints and reads rows: that sorts nothing itself.
        int yields = 0, layouts = 0;
        connect(&m, &QAbstractItemModel::layoutChanged, this, [&] { ++layouts; });
        m.resort([&] {
            ++yields;
            (void)m.text(0, 0);
        });
        QVERIFY(yields > 2);
        QCOMPARE(layouts, 1);
        QCOMPARE(column(m, 1), expectedTags(rows, ascending));
    }
}

void TstCatalogueModel::rowsAddedBetweenSortsKeepAStableOrder()
{
    for (bool ascending : {true, false}) {
        CatalogueModel m;
        m.setSortColumn(0);
        m.setSortOrder(ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        m.setSorted(true);
        QList<CatalogueModel::Row> all;
        quint32 seed = 99;
        int tag = 0;
        for (int batch = 0; batch < 6; ++batch) {
            for (int i = 0; i < 40; ++i) {
                seed = seed * 1664525u + 1013904223u;
                // Few distinct names, mixed case: many ties across batches.
                const QString name = (seed >> 8) % 2 ? QStringLiteral("IMG_%1").arg((seed >> 12) % 9)
                                                     : QStringLiteral("img_%1").arg((seed >> 12) % 9);
                all << row(name, QString::number(tag++));
                m.addRow(all.last());
            }
            m.sortIfNeeded();
            QCOMPARE(column(m, 1), expectedTags(all, ascending));
        }
    }
}

void TstCatalogueModel::newSettingsAndClearSortEverything()
{
    CatalogueModel m;
    m.setSortColumn(0);
    m.setSorted(true);
    for (const char *n : {"c", "a", "b"})
        m.addRow(row(QLatin1String(n), QLatin1String(n)));
    m.sortIfNeeded();
    QCOMPARE(column(m, 0), QStringList({"a", "b", "c"}));
    m.sort(0, Qt::DescendingOrder);
    QCOMPARE(column(m, 0), QStringList({"c", "b", "a"}));
    m.addRow(row(QStringLiteral("d"), QString()));
    m.sortIfNeeded();
    QCOMPARE(column(m, 0), QStringList({"d", "c", "b", "a"}));

    // After clearing, the new rows owe nothing to the old order.
    m.clear();
    for (const char *n : {"z", "y", "x", "w", "v"})
        m.addRow(row(QLatin1String(n), QString()));
    m.setSortOrder(Qt::AscendingOrder);
    m.sortIfNeeded();
    QCOMPARE(column(m, 0), QStringList({"v", "w", "x", "y", "z"}));
    m.clear();
    m.sort(0, Qt::AscendingOrder);
    for (const char *n : {"q", "p"})
        m.addRow(row(QLatin1String(n), QString()));
    m.sortIfNeeded();
    QCOMPARE(column(m, 0), QStringList({"p", "q"}));
}

void TstCatalogueModel::viewHearsOfRowsInBatches()
{
    CatalogueModel m;
    int inserts = 0;
    int lastSeen = 0;
    bool consistent = true;
    QObject::connect(&m, &CatalogueModel::rowsInserted, [&](const QModelIndex &, int first, int last) {
        ++inserts;
        consistent = consistent && first == lastSeen && m.rowCount() == last + 1;
        lastSeen = last + 1;
    });
    for (int i = 0; i < 500; ++i)
        m.addRow(row(QString::number(i), QString()));
    // Readers of the catalogue see every row at once; the view hears of them later.
    QCOMPARE(m.count(), 500);
    QVERIFY(m.rowCount() < 500);
    QTRY_COMPARE(m.rowCount(), 500);
    QVERIFY(consistent);
    QVERIFY(inserts < 10);
    // A sort tells the view of pending rows first, so every row it moves is known.
    m.addRow(row(QStringLiteral("-1"), QString()));
    m.sort(0, Qt::AscendingOrder);
    QCOMPARE(m.rowCount(), 501);
    QCOMPARE(m.data(m.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("-1"));
    m.clear();
    QCOMPARE(m.rowCount(), 0);
}

QTEST_MAIN(TstCatalogueModel)
#include "tst_cataloguemodel.moc"
