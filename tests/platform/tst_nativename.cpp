// File names as bytes: the lossless mapping, how such names are shown and logged,
// and folder listings and operations on real folders holding them.
#include "OddNames.h"
#include "platform/NativeName.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"

#include <QRandomGenerator>
#include <algorithm>
#include <QUrl>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace fd;
using namespace fd::test;

class NativeNameTest : public QObject {
    Q_OBJECT
private slots:
    void everySingleByteRoundTrips()
    {
        for (int b = 0; b < 256; ++b) {
            const QByteArray bytes(1, char(b));
            const QString text = decodeFileName(bytes);
            QCOMPARE(encodeFileName(text), bytes);
            // Bytes above 0x7F alone are never UTF-8: each has its own reserved unit.
            QCOMPARE(text, b < 0x80 ? QString(QChar(b)) : QString(QChar(0xDC00 + b)));
        }
    }

    void randomByteStringsRoundTrip()
    {
        QRandomGenerator gen(15);
        // Bytes drawn from a small alphabet of UTF-8 pieces make valid and broken
        // sequences meet often.
        const QByteArray pieces("a/.\x80\xBF\xC3\xA9\xE4\xBD\xA0\xED\xA0\xF0\x9F\x98\x80\xF4\x90\xC0\xFF");
        for (int round = 0; round < 20000; ++round) {
            QByteArray bytes;
            const int n = int(gen.bounded(1, 24));
            for (int i = 0; i < n; ++i)
                bytes += round % 2 ? pieces.at(int(gen.bounded(int(pieces.size())))) : char(gen.bounded(256));
            const QString text = decodeFileName(bytes);
            if (encodeFileName(text) != bytes)
                QFAIL(qPrintable(QStringLiteral("no round trip for ") + QString::fromLatin1(bytes.toHex(' '))));
            // The buffer form writes the same bytes, or declines.
            char buf[24 * 3];
            const qsizetype written = encodeFileNameInto(text, buf);
            if (written >= 0)
                QCOMPARE(QByteArray(buf, written), bytes);
            else
                QVERIFY(std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); }));
            if (!QString::fromUtf8(bytes).contains(QChar(0xFFFD)))
                QCOMPARE(text, QString::fromUtf8(bytes)); // valid UTF-8 decodes as usual
        }
    }

    void shownAndLogged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");  // in the list view's name column
        QTest::addColumn<QString>("visible"); // everywhere else
        QTest::addColumn<QString>("logged");
        QTest::newRow("utf8") << QByteArray("资料.txt") << "资料.txt" << "资料.txt" << "资料.txt";
        QTest::newRow("gbk") << QByteArray("\xD7\xCA\xC1\xCF.txt") << "资料.txt" << "\uFFFD\uFFFD\uFFFD\uFFFD.txt"
                             << "资料.txt";
        QTest::newRow("stray") << QByteArray("a\xFF\xFE.txt") << "a\uFFFD\uFFFD.txt" << "a\uFFFD\uFFFD.txt"
                               << "a??.txt";
        QTest::newRow("gbk folder, utf8 name")
            << QByteArray("/in/\xD7\xCA\xC1\xCF/资料.txt") << "/in/资料/资料.txt"
            << "/in/\uFFFD\uFFFD\uFFFD\uFFFD/资料.txt" << "/in/资料/资料.txt";
    }
    void shownAndLogged()
    {
        QFETCH(QByteArray, bytes);
        const QString text = decodeFileName(bytes);
        QTEST(displayName(text), "shown");
        QTEST(visibleName(text), "visible");
        QTEST(logName(text), "logged");
    }

    void droppedUrlKeepsItsBytes()
    {
        QCOMPARE(localPathOf(QUrl(QStringLiteral("file:///in/%D7%CA%C1%CF.txt"))),
                 decodeFileName("/in/\xD7\xCA\xC1\xCF.txt"));
        QCOMPARE(localPathOf(QUrl::fromLocalFile(QStringLiteral("/in/资料 1.txt"))), QStringLiteral("/in/资料 1.txt"));
        QCOMPARE(localPathOf(QUrl(QStringLiteral("https://example.org/a"))), QString());
    }

    void listingSeesEveryNameAndKind()
    {
        RawTemporaryDir dir;
        QList<QByteArray> files;
        for (const OddName &n : oddNames()) {
            QVERIFY2(writeRawFile(dir.path(), n.bytes, n.label), n.label);
            files << n.bytes;
        }
        const QByteArray root = encodeFileName(dir.path()) + '/';
        const QByteArray oddFolder("\xD7\xCA\xC1\xCF");
        QCOMPARE(::mkdir(root + oddFolder, 0777), 0);
        QCOMPARE(::symlink(oddFolder.constData(), root + "toFolder"), 0);
        QCOMPARE(::symlink("-n.txt", root + "toFile"), 0);
        QCOMPARE(::symlink("nowhere", root + "dangling"), 0);
        QCOMPARE(::mkfifo(root + "pipe", 0600), 0);

        const auto entries = raw::listFolder(dir.path(), true);
        QVERIFY(entries);
        QHash<QByteArray, raw::Entry> byName;
        for (const raw::Entry &e : *entries)
            byName.insert(encodeFileName(e.name), e);
        QCOMPARE(byName.size(), files.size() + 5);
        for (const QByteArray &f : files) {
            QCOMPARE(byName.value(f).kind, raw::Kind::File);
            QVERIFY(byName.value(f).size > 0);
            const QString path = dir.path() + QLatin1Char('/') + decodeFileName(f);
            QVERIFY(raw::isFile(path)); // the decoded name reaches the same file
        }
        QCOMPARE(byName.value(oddFolder).kind, raw::Kind::Folder);
        QCOMPARE(byName.value("toFolder").kind, raw::Kind::Folder);
        QVERIFY(byName.value("toFolder").link);
        QCOMPARE(byName.value("toFile").kind, raw::Kind::File);
        QCOMPARE(byName.value("dangling").kind, raw::Kind::Missing);
        QCOMPARE(byName.value("pipe").kind, raw::Kind::Other);
        QVERIFY(!raw::listFolder(dir.path() + QStringLiteral("/missing")));
    }

    void foldersMadeAndRemovedByteExact()
    {
        RawTemporaryDir dir;
        const QString odd = dir.path() + QLatin1Char('/') + decodeFileName("\xD7\xCA\xC1\xCF");
        const QString deep = odd + QLatin1Char('/') + decodeFileName("x\xFF") + QStringLiteral("/y");
        QVERIFY(raw::makePath(deep));
        QVERIFY(raw::makePath(deep)); // already there
        QCOMPARE(rawNamesIn(dir.path()), QList<QByteArray>{"\xD7\xCA\xC1\xCF/"});
        QVERIFY(writeRawFile(deep, "a\xFE", "x"));
        QCOMPARE(::symlink(encodeFileName(dir.path()).constData(), (encodeFileName(odd) + "/\xFFlink").constData()), 0);
        QVERIFY(!raw::isEmptyFolder(odd));
        QCOMPARE(raw::canonicalPath(deep + QStringLiteral("/..")), odd + QLatin1Char('/') + decodeFileName("x\xFF"));
        QVERIFY(raw::removeTree(odd));
        QCOMPARE(rawNamesIn(dir.path()), QList<QByteArray>{}); // the link went, not what it named
        QVERIFY(QFileInfo::exists(dir.path()));
    }

    // Files opened in kept folders are the files the whole paths name, odd
    // names included, with many folders in turn, and after a folder is made anew.
    void keptFoldersOpenTheNamedFiles()
    {
        RawTemporaryDir dir;
        raw::FolderHandles kept;
        const QString odd = dir.path() + QLatin1Char('/') + decodeFileName("\xD7\xCA");
        for (const OddName &n : oddNames()) {
            QVERIFY(writeRawFile(odd, n.bytes, n.bytes));
            const QString path = odd + QLatin1Char('/') + decodeFileName(n.bytes);
            const int in = kept.openRead(path);
            QVERIFY2(in >= 0, n.label);
            char buf[300] = {};
            QCOMPARE(raw::read(in, buf, sizeof buf), n.bytes.size());
            ::close(in);
            QVERIFY(kept.createNew(path) < 0); // taken
            const int out = kept.createNew(dir.path() + QLatin1Char('/') + decodeFileName(n.bytes));
            QVERIFY2(out >= 0, n.label);
            ::close(out);
        }
        for (int i = 0; i < 300; ++i) { // more folders than are kept, each used once
            const QString f = dir.path() + QStringLiteral("/%1").arg(i % 150);
            QVERIFY(raw::makePath(f));
            const int out = kept.createNew(f + QStringLiteral("/n%1").arg(i));
            QVERIFY(out >= 0);
            ::close(out);
        }
        QVERIFY(raw::removeTree(odd));
        kept.forget();
        QVERIFY(raw::makePath(odd));
        const int out = kept.createNew(odd + QStringLiteral("/again"));
        QVERIFY(out >= 0);
        ::close(out);
        QCOMPARE(rawNamesIn(odd), QList<QByteArray>{"again"});
        QCOMPARE(rawNamesIn(dir.path() + QStringLiteral("/7")), (QList<QByteArray>{"n157", "n7"}));
    }
};

QTEST_GUILESS_MAIN(NativeNameTest)
#include "tst_nativename.moc"
