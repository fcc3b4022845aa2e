// Name pieces, folder counts, name tests and the direct picker.
#include "dispatch/Rules.h"

#include <QSet>
#include <QTest>
#include <random>

using namespace fd;

class DispatchRulesTest : public QObject {
    Q_OBJECT
private slots:
    void relativePartKeepsWholePathOrLastComponent()
    {
        QCOMPARE(relativePart(QStringLiteral("/photos/trip"), false), QStringLiteral("/photos/trip"));
        QCOMPARE(relativePart(QStringLiteral("/photos/trip/"), false), QStringLiteral("/photos/trip"));
        QCOMPARE(relativePart(QStringLiteral("/photos/trip"), true), QStringLiteral("/trip"));
        QCOMPARE(relativePart(QStringLiteral("/"), true), QString());
        QCOMPARE(relativePart(QStringLiteral("/"), false), QString());
    }

    void numberedFolderJoinsWithOneSeparator()
    {
        QCOMPARE(numberedFolder(QStringLiteral("/out"), QStringLiteral("/photos/trip"), 1),
                 QStringLiteral("/out/photos/trip_分发1"));
        QCOMPARE(numberedFolder(QStringLiteral("/out/"), QStringLiteral("/trip"), 12), QStringLiteral("/out/trip_分发12"));
        QCOMPARE(numberedFolder(QStringLiteral("/"), QStringLiteral("/trip"), 3), QStringLiteral("/trip_分发3"));
        QCOMPARE(numberedFolder(QStringLiteral("/out"), QString(), 2), QStringLiteral("/out/_分发2"));
    }

    void folderCount()
    {
        QCOMPARE(numberedFolderCount(120, true, 50, 0), 3LL);
        QCOMPARE(numberedFolderCount(100, true, 50, 0), 2LL);
        QCOMPARE(numberedFolderCount(7, true, 1, 0), 7LL);
        QCOMPARE(numberedFolderCount(100, false, 0, 5), 5LL);
        QCOMPARE(numberedFolderCount(103, false, 0, 5), 6LL);
        QCOMPARE(numberedFolderCount(5, false, 0, 5), 5LL);
        // Nonsense counts never divide by zero.
        QCOMPARE(numberedFolderCount(4, true, 0, 0), 4LL);
        QCOMPARE(numberedFolderCount(4, false, 0, 0), 1LL);
    }

    void loopStyleThreshold()
    {
        QVERIFY(!directPickingFor(false, false, false, false, 2000)); // 2001 files: shuffled list
        QVERIFY(directPickingFor(false, false, false, false, 2001));  // 2002 files: direct
        QVERIFY(directPickingFor(false, false, true, false, 3));
        QVERIFY(directPickingFor(false, false, false, true, 3));
        QVERIFY(!directPickingFor(true, false, true, true, 5000));
        QVERIFY(!directPickingFor(false, true, false, false, 5000));
    }

    void nameParts()
    {
        QCOMPARE(namePartOf(QStringLiteral("/in/IMG_0001.jpg")), QStringLiteral("/IMG_0001.jpg"));
        QCOMPARE(baseOfNamePart(QStringLiteral("/IMG_0001.jpg")), QStringLiteral("/IMG_0001"));
        QCOMPARE(baseOfNamePart(QStringLiteral("/a.tar.gz")), QStringLiteral("/a.tar"));
        QCOMPARE(baseOfNamePart(QStringLiteral("/README")), QStringLiteral("/README"));
    }

    void includeRule()
    {
        const QString a = QStringLiteral("/a"), ab = QStringLiteral("/ab");
        QVERIFY(includeSuits(a, QStringLiteral("a"), false));
        QVERIFY(includeSuits(a, QStringLiteral("ab"), false));
        QVERIFY(!includeSuits(ab, QStringLiteral("a"), false));
        QVERIFY(includeSuits(ab, QStringLiteral("ab"), false));
        const QString img = QStringLiteral("/IMG_0001");
        QVERIFY(includeSuits(img, QStringLiteral("IMG_0001 beach"), false));
        QVERIFY(!includeSuits(img, QStringLiteral("old IMG_0001"), false));
        QVERIFY(!includeSuits(QStringLiteral("/Img_0001"), QStringLiteral("img_0001"), false));
        QVERIFY(includeSuits(QStringLiteral("/Img_0001"), QStringLiteral("img_0001"), true));
        // A name without a dot is its own base.
        QVERIFY(includeSuits(baseOfNamePart(QStringLiteral("/notes")), QStringLiteral("notes 2024"), false));
    }

    void commonCharactersRule()
    {
        QVERIFY(commonSuits(QStringLiteral("/IMG_2021_05"), QStringLiteral("Trip 2021"), 3, false));
        QVERIFY(commonSuits(QStringLiteral("/abc"), QStringLiteral("xyc"), 2, false));
        QVERIFY(commonSuits(QStringLiteral("/ab_2021"), QStringLiteral("2021 photos"), 2, false));
        QVERIFY(!commonSuits(QStringLiteral("/abc"), QStringLiteral("xyz"), 2, false));
        QVERIFY(!commonSuits(QStringLiteral("/ABq"), QStringLiteral("zab"), 2, false));
        QVERIFY(commonSuits(QStringLiteral("/ABq"), QStringLiteral("zab"), 2, true));
        QVERIFY(!commonSuits(QStringLiteral("/abc"), QString(), 2, false));
    }

    void splitDropsEmptiesAndRepeats()
    {
        const QString list = QStringLiteral("/a") + QChar(0) + QChar(0) + QStringLiteral("/b") + QChar(0)
                           + QStringLiteral("/a") + QChar(0);
        QCOMPARE(splitPathList(list), (QStringList{QStringLiteral("/a"), QStringLiteral("/b")}));
    }

    void sequentialPickKeepsScanOrder()
    {
        DirectPicker p(QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
        QCOMPARE(p.takeNext(), QStringLiteral("1"));
        QCOMPARE(p.takeNext(), QStringLiteral("2"));
        QCOMPARE(p.takeNext(), QStringLiteral("3"));
        QCOMPARE(p.takeNext(), QString());
    }

    void randomPickTakesEveryPathOnceAndEvenly()
    {
        std::mt19937 gen(7);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        // Every path once, whatever the draws (including the edge value just below 1).
        QStringList all;
        for (int i = 0; i < 1000; ++i)
            all << QString::number(i);
        DirectPicker p(all);
        QSet<QString> seen;
        for (int i = 0; i < 1000; ++i) {
            const QString s = p.takeRandom(i % 97 == 0 ? 0.9999999999 : u(gen));
            QVERIFY(!s.isEmpty());
            QVERIFY(!seen.contains(s));
            seen.insert(s);
        }
        QCOMPARE(p.takeRandom(0.5), QString());
        // The first draw from five paths is uniform.
        int counts[5] = {};
        for (int t = 0; t < 50000; ++t) {
            DirectPicker q(QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"),
                                       QStringLiteral("3"), QStringLiteral("4")});
            q.takeRandom(u(gen));
            ++counts[q.takeRandom(u(gen)).toInt()]; // second draw too: after a swap
        }
        for (int c : counts)
            QVERIFY2(c > 9000 && c < 11000, qPrintable(QString::number(c)));
    }

    void randomPickIsLinear()
    {
        QStringList all;
        for (int i = 0; i < 300000; ++i)
            all << QString::number(i);
        DirectPicker p(all);
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < 300000; ++i)
            p.takeRandom(0.3);
        QVERIFY2(t.elapsed() < 2000, "picking must not rebuild the list per file");
    }
};

QTEST_MAIN(DispatchRulesTest)
#include "tst_dispatchrules.moc"
