#include "app/TextNumbers.h"
#include "catalogue/CatalogueText.h"

#include <QTest>

using namespace fd;

class TstCatalogueText : public QObject {
    Q_OBJECT
private slots:
    void sizeTexts_data();
    void sizeTexts();
    void typeKeysAndFilter();
    void fileNumbers_data();
    void fileNumbers();
    void paddedNumbers_data();
    void paddedNumbers();
    void dateTimeHasNoTimeZone();
    void numbersAtStart();
};

void TstCatalogueText::sizeTexts_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << qint64(0) << "0KB";
    QTest::newRow("1 KB") << qint64(1024) << "1KB";
    QTest::newRow("1.5 KB") << qint64(1536) << "1.5KB";
    QTest::newRow("one byte") << qint64(1) << "0KB";
    QTest::newRow("half to even, down") << qint64(128) << "0.12KB"; // 0.125
    QTest::newRow("half to even, up") << qint64(384) << "0.38KB";   // 0.375
    QTest::newRow("rounds up") << qint64(1034) << "1.01KB";
    QTest::newRow("trailing zero dropped") << qint64(1126) << "1.1KB";
    QTest::newRow("large") << qint64(5368709120LL) << "5242880KB";
}

void TstCatalogueText::sizeTexts()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(sizeText(bytes), text);
}

void TstCatalogueText::typeKeysAndFilter()
{
    QCOMPARE(typeKey(QStringLiteral("/in/IMG.JPG")), QStringLiteral("*.jpg"));
    QCOMPARE(typeKey(QStringLiteral("/in.d/README")), QStringLiteral("*.d/readme"));
    QCOMPARE(typeKey(QStringLiteral("/in/README")), QString());

    QVERIFY(passesTypeFilter(QStringLiteral("*.jpg"), QStringLiteral("*.jpg;*.png")));
    QVERIFY(passesTypeFilter(QStringLiteral("*.jpg"), QStringLiteral("*.jpgx")));
    QVERIFY(passesTypeFilter(QStringLiteral("*.jp"), QStringLiteral("*.jpg")));
    QVERIFY(passesTypeFilter(QStringLiteral("*.JPG"), QStringLiteral("*.Jpg")));
    QVERIFY(!passesTypeFilter(QStringLiteral("*.png"), QStringLiteral("*.jpg")));
    QVERIFY(passesTypeFilter(QStringLiteral("*.whatever"), QStringLiteral("*.*")));
}

void TstCatalogueText::fileNumbers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::newRow("plain") << "IMG_0012.jpg" << "0012";
    QTest::newRow("fraction") << "scan3.5.jpg" << "3.5";
    QTest::newRow("letter joins a code") << "IMG_12a34.jpg" << "12";
    QTest::newRow("no digits") << "photo.jpg" << "0";
    QTest::newRow("last group counts") << "IMG_2023_0012.jpg" << "0012";
    QTest::newRow("dash separates") << "2023-05.jpg" << "05";
    QTest::newRow("three groups") << "a1 b2 c33.png" << "33";
    QTest::newRow("extension digits ignored") << "page7.mp3" << "7";
    QTest::newRow("no extension") << "noext12" << "12";
    QTest::newRow("chinese") << "第12章.txt" << "12";
    QTest::newRow("full-width digits are no number") << "第１２章.txt" << "0";
}

void TstCatalogueText::fileNumbers()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    QCOMPARE(fileNumberText(name), number);
}

void TstCatalogueText::paddedNumbers_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("padded");
    QTest::newRow("9 digits") << "0012" << 9 << "000000012";
    QTest::newRow("17 digits") << "0012" << 17 << "00000000000000012";
    QTest::newRow("rounded") << "3.5" << 9 << "000000004";
    QTest::newRow("below half") << "2.49" << 9 << "000000002";
    QTest::newRow("carry") << "99.5" << 3 << "100";
    QTest::newRow("carry beyond width") << "999.5" << 2 << "1000";
    QTest::newRow("zero") << "0" << 17 << "00000000000000000";
    QTest::newRow("longer keeps digits") << "12345678901234567890" << 9 << "12345678901234567890";
    QTest::newRow("code") << "12a34" << 9 << "000000012";
    QTest::newRow("none") << "" << 9 << "000000000";
}

void TstCatalogueText::paddedNumbers()
{
    QFETCH(QString, number);
    QFETCH(int, width);
    QFETCH(QString, padded);
    QCOMPARE(paddedNumber(number, width), padded);
}

void TstCatalogueText::dateTimeHasNoTimeZone()
{
    const QDateTime t(QDate(2024, 5, 1), QTime(9, 5, 7));
    const QString us = dateTimeText(t, QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY2(us.contains(QStringLiteral("9:05:07")), qPrintable(us));
    QVERIFY2(us.contains(QStringLiteral("5/1/24")) || us.contains(QStringLiteral("5/1/2024")), qPrintable(us));
    QVERIFY2(!us.contains(QStringLiteral("UTC")) && !us.trimmed().endsWith(QLatin1Char('t')), qPrintable(us));
    const QString cn = dateTimeText(t, QLocale(QLocale::Chinese, QLocale::China));
    QVERIFY2(cn.contains(QStringLiteral("2024")) && cn.contains(QStringLiteral("07")), qPrintable(cn));
}

void TstCatalogueText::numbersAtStart()
{
    QCOMPARE(textnum::valueOf(QStringLiteral("4579")), 4579.0);
    QCOMPARE(textnum::valueOf(QStringLiteral(" 12abc")), 12.0);
    QCOMPARE(textnum::valueOf(QStringLiteral("2.5")), 2.5);
    QCOMPARE(textnum::valueOf(QStringLiteral("-3")), -3.0);
    QCOMPARE(textnum::valueOf(QStringLiteral("")), 0.0);
    QCOMPARE(textnum::valueOf(QStringLiteral("abc")), 0.0);
}

QTEST_APPLESS_MAIN(TstCatalogueText)
#include "tst_cataloguetext.moc"
