// The wild-card matcher and the non-visual file list File1 on real folders.
#include "Fixture.h"
#include "catalogue/FileList.h"
#include "catalogue/Wildcard.h"

#include <QDir>
#include <algorithm>
#include <QTest>
#include <sys/stat.h>

using namespace fd;
using namespace fd::test;

class TstFileList : public QObject {
    Q_OBJECT
private slots:
    void wildcards_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("match");
        QTest::newRow("star dot star takes names without a dot") << "*.*" << "README" << true;
        QTest::newRow("letters ignore case") << "*.JPG" << "photo.jpg" << true;
        QTest::newRow("chinese name") << "*.jpg" << "照片.JPG" << true;
        QTest::newRow("extension must end") << "*.tif" << "a.tiff" << false;
        QTest::newRow("longer extension") << "*.tiff" << "a.tif" << false;
        QTest::newRow("question mark is one character") << "a?c.txt" << "abc.txt" << true;
        QTest::newRow("question mark needs a character") << "a?c.txt" << "ac.txt" << false;
        QTest::newRow("star backtracks") << "*a*b.txt" << "xxaybab.txt" << true;
        QTest::newRow("semicolon is literal") << "*.jpg;*.png" << "a.png" << false;
        QTest::newRow("semicolon in the name") << "*.jpg;*.png" << "a.jpg;b.png" << true;
        QTest::newRow("name dot star takes the bare name") << "readme.*" << "README" << true;
        QTest::newRow("trailing dot takes names without extension") << "*." << "Makefile" << true;
        QTest::newRow("trailing dot refuses extensions") << "*." << "a.txt" << false;
        QTest::newRow("empty pattern") << "" << "a" << false;
    }
    void wildcards()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, match);
        QCOMPARE(wildcardMatch(pattern, name), match);
    }

    void listingAlternatives()
    {
        QVERIFY(listingMatch(QStringLiteral("*.tif;*.tiff"), QStringLiteral("a.TIFF")));
        QVERIFY(listingMatch(QStringLiteral("*.tif; *.tiff"), QStringLiteral("a.tiff")));
        QVERIFY(!listingMatch(QStringLiteral("*.tif;;"), QStringLiteral("a.tiff")));
    }

    void listSortedWithoutCaseAndFiltered()
    {
        QTemporaryDir d;
        for (const char *n : {"b.jpg", "A.jpeg", "c.JPE", "d.png", ".e.jpg", "Z.jfif"})
            QVERIFY(writeFile(d.path() + "/" + n, "x"));
        QVERIFY(QDir().mkpath(d.path() + "/f.jpg"));
        QVERIFY(QFile::link(d.path() + "/nowhere", d.path() + "/g.jpg")); // dangling link
        QVERIFY(QFile::link(d.path() + "/b.jpg", d.path() + "/h.jpg"));   // a link to a file counts
        QVERIFY(::mkfifo(QFile::encodeName(d.path() + "/i.jpg").constData(), 0600) == 0);

        FileList l;
        QVERIFY(l.setPath(d.path()));
        QCOMPARE(l.listCount(), 6);
        l.setPattern(QStringLiteral("*.jpg;*.jpeg;*.jfif;*.jpe"));
        QCOMPARE(l.names(), (QStringList{"A.jpeg", "b.jpg", "c.JPE", "h.jpg", "Z.jfif"}));
        QCOMPARE(l.list(0), QStringLiteral("A.jpeg"));
        QCOMPARE(l.list(9), QString());
        l.setHidden(true);
        l.refresh();
        QCOMPARE(l.list(0), QStringLiteral(".e.jpg"));
    }

    // A listing read in slices (as during a run) comes out in the same order.
    void slicedListingKeepsTheOrder()
    {
        QTemporaryDir d;
        for (int i = 0; i < 5000; ++i)
            QVERIFY(writeFile(d.path() + QStringLiteral("/%1%2.jpg").arg(QChar(i % 3 ? 'a' + i % 26 : 'A' + i % 26)).arg(i * 7919 % 10007), "x"));
        FileList l;
        QVERIFY(l.setPath(d.path()));
        const QStringList whole = l.names();
        QStringList sliced = whole;
        std::reverse(sliced.begin(), sliced.end());
        int yields = 0;
        sortInListOrder(sliced, [&] { ++yields; });
        QCOMPARE(sliced, whole);
        QVERIFY(yields > 2);
        // In order but for the last two: the look along it must reach the end.
        QStringList nearly = whole;
        nearly.swapItemsAt(nearly.size() - 2, nearly.size() - 1);
        sortInListOrder(nearly, [] {});
        QCOMPARE(nearly, whole);
        // Listed again unchanged, and then with one more file.
        l.refresh();
        QCOMPARE(l.names(), whole);
        QVERIFY(writeFile(d.path() + QStringLiteral("/B0.jpg"), "x"));
        l.refresh();
        QCOMPARE(l.listCount(), whole.size() + 1);
        QVERIFY(std::is_sorted(l.names().cbegin(), l.names().cend(), [](const QString &a, const QString &b) {
            return compareWithoutCase(a, b) < 0;
        }));
    }

    // The quick comparison keeps Qt's order without case, also past ASCII.
    void comparisonWithoutCaseAgreesWithQt()
    {
        const QStringList words = {QString(), "a", "A", "ab", "aB", "a_b", "a[b", "Z", "z1", "e", "é", "É", "k",
                                   "K", QStringLiteral("\u212A"), "s", "S", QStringLiteral("\u017Ft"), "st",
                                   QStringLiteral("\U0001F600"), QStringLiteral("\U0001F601"),
                                   QStringLiteral("\U00010400"), QStringLiteral("\U00010428"), "照片", "照"};
        auto sign = [](int c) { return (c > 0) - (c < 0); };
        for (const QString &a : words)
            for (const QString &b : words)
                for (const QString &start : {QString(), QStringLiteral("/In/X")}) {
                    const QString x = start + a, y = start.toLower() + b;
                    QCOMPARE(sign(compareWithoutCase(x, y)), sign(QString::compare(x, y, Qt::CaseInsensitive)));
                }
    }

    void folderThatDoesNotOpenIsRefused()
    {
        QTemporaryDir d;
        QVERIFY(writeFile(d.path() + "/a.txt", "x"));
        FileList l;
        QVERIFY(l.setPath(d.path()));
        QVERIFY(!l.setPath(d.path() + "/missing"));
        QVERIFY(!l.setPath(d.path() + "/a.txt"));
        QVERIFY(!l.setPath(QString()));
        QCOMPARE(l.path(), d.path());
        QCOMPARE(l.listCount(), 1);
    }
};

QTEST_MAIN(TstFileList)
#include "tst_filelist.moc"
