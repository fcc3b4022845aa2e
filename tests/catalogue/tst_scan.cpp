#include "Fixture.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/CatalogueText.h"
#include "catalogue/ImageMetadata.h"
#include "catalogue/Scan.h"
#include "platform/MediaInfoLib.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>

#include <exiv2/exiv2.hpp>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace fd;
using fd::test::WindowFixture;

namespace {

QString jpeg(const QString &path, int w, int h, const char *date = nullptr)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    if (!img.save(path, "JPG"))
        return QString();
    if (date) {
        auto image = Exiv2::ImageFactory::open(std::string(QFile::encodeName(path).constData()));
        image->readMetadata();
        image->exifData()["Exif.Photo.DateTimeOriginal"] = std::string(date);
        image->writeMetadata();
    }
    return path;
}

bool touch(const QString &path, const QByteArray &bytes = "x")
{
    return fd::test::writeFile(path, bytes);
}

QStringList pathListEntries(const FDispatch &w)
{
    QStringList l = w.cat.pathList.split(QChar(0));
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

int rowOf(const CatalogueModel &m, const QString &name)
{
    for (int r = 0; r < m.count(); ++r)
        if (m.text(r, 0) == name)
            return r;
    return -1;
}

} // namespace

class TstScan : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void sequentialNumericScan();
    void placeholdersForFilesThatAreNoPictures();
    void filterAllNeedsADotInThePath();
    void nonSequentialScanKeepsToTheRunListSize();
    void progressBarInsteadOfTitle();
    void pausesAfterEveryThousandFiles();
    void secondWalkEntersFilesAgain();
    void badInputNeverStopsTheScan();
    void picturesLandInTheirOwnRows();
    void entersFilesInNameOrderIgnoringCase();
    void settingsChangedDuringTheScan_data();
    void settingsChangedDuringTheScan();

private:
    std::unique_ptr<WindowFixture> fx;
    std::unique_ptr<QTemporaryDir> tmp;
    int pauses = 0;
    FDispatch &w() { return fx->w(); }
    QString dir(const QString &sub = QString()) const
    {
        return QDir::toNativeSeparators(sub.isEmpty() ? tmp->path() : tmp->filePath(sub));
    }
    void setFilter(const QString &f) { w().Combo1->setEditText(f); }
};

void TstScan::init()
{
    fx = std::make_unique<WindowFixture>();
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
    pauses = 0;
    setPauseHook([this](float s) {
        QCOMPARE(s, 1.0f);
        ++pauses;
    });
    w().catalogue->clear();
    w().cat.count = 0;
    w().cat.pathList.clear();
    w().cat.runList.clear();
    w().LFiles->setCaption(QStringLiteral("0"));
    w().ChNum->setChecked(true);
    w().ChN->setChecked(true);
    w().ChN->setEnabled(true);
    w().ChProg->setChecked(false);
}

void TstScan::cleanup()
{
    setPauseHook({});
    fx.reset();
    tmp.reset();
}

void TstScan::sequentialNumericScan()
{
    jpeg(dir("in/IMG_10.jpg"), 64, 48);
    const QString hd = jpeg(dir("in/IMG_2.jpg"), 1920, 1080, "2019:07:14 08:05:33");
    QVERIFY(!hd.isEmpty());
    jpeg(dir("in/a.JPG"), 16, 16);
    QVERIFY(touch(dir("in/a.jp"), QByteArray(1536, 'x')));
    QVERIFY(touch(dir("in/.hidden.jpg")));
    QVERIFY(touch(dir("in/notes.txt")));
    QVERIFY(touch(dir("in/noext")));
    setFilter(QStringLiteral("*.jpg"));
    w().setWindowTag(QStringLiteral("T"));

    ScanFolder(w().port(), dir("in"));

    QCOMPARE(w().cat.count, 5LL);
    QCOMPARE(w().catalogue->count(), 5);
    QCOMPARE(w().cat.runList.size(), 5); // grown by the scan in numeric mode
    const QStringList paths = pathListEntries(w());
    QCOMPARE(paths.size(), 5);
    QVERIFY(w().cat.pathList.endsWith(QChar(0)));
    for (int i = 0; i < 5; ++i)
        QCOMPARE(w().cat.runList[i].path, paths[i]);
    QVERIFY(!paths.contains(dir("in/notes.txt")));
    QVERIFY(!paths.contains(dir("in/noext")));

    const int i2 = int(paths.indexOf(hd));
    QVERIFY(i2 >= 0);
    QCOMPARE(w().cat.runList[i2].key, QStringLiteral("000000002"));
    QCOMPARE(w().cat.runList[paths.indexOf(dir("in/IMG_10.jpg"))].key, QStringLiteral("000000010"));
    QCOMPARE(w().cat.runList[paths.indexOf(dir("in/a.jp"))].key, QStringLiteral("000000000"));

    CatalogueModel &m = *w().catalogue;
    m.sortIfNeeded();
    const int r = rowOf(m, QStringLiteral("IMG_2.jpg"));
    QVERIFY(r >= 0);
    const QFileInfo fi(hd);
    QCOMPARE(m.text(r, 1), sizeText(fi.size()));
    QCOMPARE(m.text(r, 2), QStringLiteral("*.jpg"));
    QCOMPARE(m.text(r, 3), dateTimeText(fi.lastModified()));
    QCOMPARE(m.text(r, 4), QStringLiteral("2019-07-14 08:05:33"));
    if (mediaInfoAvailable())
        QCOMPARE(m.text(r, 5), QStringLiteral("1920×1080"));
    QCOMPARE(m.text(r, 6), QStringLiteral("00000000000000002"));
    QCOMPARE(m.text(r, 7), dir("in") + QDir::separator());

    const int rj = rowOf(m, QStringLiteral("a.JPG"));
    QCOMPARE(m.text(rj, 2), QStringLiteral("*.jpg"));
    QCOMPARE(m.text(rj, 4), noPhotoDate());
    const int rp = rowOf(m, QStringLiteral("a.jp"));
    QCOMPARE(m.text(rp, 1), QStringLiteral("1.5KB"));

    // The hidden file was not counted beforehand: the count rises with the scan.
    QCOMPARE(w().LFiles->caption(), QStringLiteral("5"));
    QCOMPARE(w().windowTitle(), QStringLiteral("T   目标文件读取中...5/4"));
}

void TstScan::placeholdersForFilesThatAreNoPictures()
{
    QVERIFY(touch(dir("in/notes.txt"), "hello"));
    jpeg(dir("in/z.jpg"), 1920, 1080);
    QVERIFY(touch(dir("in/zz.dat"))); // read right after the 1920 x 1080 picture
    w().ChN->setChecked(false);
    setFilter(QStringLiteral("*.*"));
    ScanFolder(w().port(), dir("in"));

    CatalogueModel &m = *w().catalogue;
    QCOMPARE(m.count(), 3);
    for (const QString &name : {QStringLiteral("notes.txt"), QStringLiteral("zz.dat")}) {
        const int r = rowOf(m, name);
        QCOMPARE(m.text(r, 4), QStringLiteral("000-00-00 00:00:00"));
        QCOMPARE(m.text(r, 5), QStringLiteral("0×0"));
        QCOMPARE(m.text(r, 6), QStringLiteral("00000000000000000"));
    }
    QCOMPARE(m.text(rowOf(m, QStringLiteral("notes.txt")), 1), QStringLiteral("0KB"));
    // Without numeric order the caller sized the run list; here it is empty.
    QCOMPARE(w().cat.runList.size(), 0);
}

void TstScan::filterAllNeedsADotInThePath()
{
    QVERIFY(touch(dir("plain/README")));
    QVERIFY(touch(dir("plain/a.b")));
    QVERIFY(touch(dir("with.dot/README")));
    setFilter(QStringLiteral("*.*"));
    w().ChNum->setChecked(false);
    ScanFolder(w().port(), dir("plain"));
    QCOMPARE(pathListEntries(w()), QStringList{dir("plain/a.b")});
    ScanFolder(w().port(), dir("with.dot"));
    QCOMPARE(pathListEntries(w()).size(), 2);
    QCOMPARE(w().catalogue->count(), 0);
}

void TstScan::nonSequentialScanKeepsToTheRunListSize()
{
    for (const char *n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        QVERIFY(touch(dir(QStringLiteral("in/") + QLatin1String(n))));
    setFilter(QStringLiteral("*.jpg"));
    w().ChNum->setChecked(false);
    w().LFiles->setCaption(QStringLiteral("3"));
    w().cat.runList.resize(3); // the caller sizes the run list from the count
    resetDefaultRandom();
    ScanFolder(w().port(), dir("in"));

    QCOMPARE(w().cat.count, 4LL);
    QCOMPARE(w().catalogue->count(), 0);
    QCOMPARE(w().cat.runList.size(), 3);
    QCOMPARE(pathListEntries(w()).size(), 4);
    // The run fills this order's list itself; the scan still draws a key per file.
    for (int i = 0; i < 3; ++i)
        QVERIFY(w().cat.runList[i].path.isEmpty());
    const double next = rnd();
    resetDefaultRandom();
    for (int i = 0; i < 4; ++i)
        rnd();
    QCOMPARE(rnd(), next);
    QCOMPARE(w().LFiles->caption(), QStringLiteral("4"));
}

void TstScan::progressBarInsteadOfTitle()
{
    QVERIFY(touch(dir("in/a.jpg")));
    QVERIFY(touch(dir("in/b.jpg")));
    setFilter(QStringLiteral("*.jpg"));
    w().ChNum->setChecked(false);
    w().cat.runList.resize(4);
    w().ChProg->setChecked(true);
    w().LFiles->setCaption(QStringLiteral("4"));
    w().P1->setValue(0);
    const QString title = w().windowTitle();
    ScanFolder(w().port(), dir("in"));
    QCOMPARE(w().P1->value(), 50);
    QCOMPARE(w().windowTitle(), title);
}

void TstScan::pausesAfterEveryThousandFiles()
{
    QDir().mkpath(dir("many"));
    for (int i = 0; i < 2500; ++i)
        QVERIFY(touch(dir(QStringLiteral("many/f%1.dat").arg(i, 4, 10, QLatin1Char('0')))));
    setFilter(QStringLiteral("*.*"));
    w().ChNum->setChecked(false);
    w().ChProg->setChecked(true);
    ScanFolder(w().port(), dir("many"));
    QCOMPARE(w().cat.count, 2500LL);
    QCOMPARE(pauses, 2);
    QCOMPARE(w().LFiles->caption(), QStringLiteral("2500"));
}

void TstScan::secondWalkEntersFilesAgain()
{
    QVERIFY(touch(dir("in/IMG_7.jpg")));
    setFilter(QStringLiteral("*.jpg"));
    ScanFolder(w().port(), dir("in"));
    ScanFolder(w().port(), dir("in") + QDir::separator()); // trailing separator given
    QCOMPARE(w().cat.count, 2LL);
    QCOMPARE(w().cat.runList.size(), 2);
    QCOMPARE(w().cat.runList[1].path, dir("in/IMG_7.jpg"));
    QCOMPARE(w().cat.runList[1].key, QStringLiteral("000000007"));
    QCOMPARE(w().catalogue->count(), 2);
}

void TstScan::badInputNeverStopsTheScan()
{
    // A folder that is gone, and no folder at all.
    ScanFolder(w().port(), dir("gone"));
    ScanFolder(w().port(), QString());
    QCOMPARE(w().cat.count, 0LL);

    const QString in = dir("bad");
    QDir().mkpath(in);
    const QStringList names = {
        QStringLiteral("with spaces 1.jpg"), QStringLiteral("中文 照片.jpg"),
        QStringLiteral("emoji 😀.jpg"),      QStringLiteral("-leading dash.jpg"),
        QStringLiteral("--.jpg"),
        QString(251, QLatin1Char('n')) + QStringLiteral(".jpg"), // 255 bytes
    };
    for (const QString &n : names)
        QVERIFY2(!jpeg(in + QDir::separator() + n, 40, 30, "2001:02:03 04:05:06").isEmpty(), qPrintable(n));
    // Not pictures, cut short, unreadable.
    QVERIFY(touch(in + QStringLiteral("/fake.jpg"), "not a jpeg at all"));
    QFile whole(in + QDir::separator() + names[0]);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    QVERIFY(touch(in + QStringLiteral("/truncated.jpg"), whole.read(300)));
    QVERIFY(touch(in + QStringLiteral("/locked.jpg"), whole.readAll()));
    QFile::setPermissions(in + QStringLiteral("/locked.jpg"), QFileDevice::Permissions());
    QVERIFY(touch(in + QStringLiteral("/empty.jpg"), QByteArray()));
#ifndef Q_OS_WIN
    // A named pipe would block a reader for ever; the scan leaves it out.
    QCOMPARE(mkfifo(QFile::encodeName(in + QStringLiteral("/pipe.jpg")).constData(), 0600), 0);
#endif
    setFilter(QStringLiteral("*.jpg"));
    ScanFolder(w().port(), in);

    CatalogueModel &m = *w().catalogue;
    QCOMPARE(w().cat.count, (long long)(names.size() + 4));
    QCOMPARE(m.count(), names.size() + 4);
    for (const QString &n : names) {
        const int r = rowOf(m, n);
        QVERIFY2(r >= 0, qPrintable(n));
        QCOMPARE(m.text(r, 4), QStringLiteral("2001-02-03 04:05:06"));
        if (mediaInfoAvailable())
            QCOMPARE(m.text(r, 5), QStringLiteral("40×30"));
    }
    QCOMPARE(m.text(rowOf(m, QStringLiteral("fake.jpg")), 4), QStringLiteral("000-00-00 00:00:00"));
    QCOMPARE(m.text(rowOf(m, QStringLiteral("fake.jpg")), 5), QStringLiteral("0×0"));
    QCOMPARE(m.text(rowOf(m, QStringLiteral("empty.jpg")), 4), QStringLiteral("000-00-00 00:00:00"));
#ifndef Q_OS_WIN
    if (geteuid() != 0) // root reads the file anyway
        QCOMPARE(m.text(rowOf(m, QStringLiteral("locked.jpg")), 4), QStringLiteral("000-00-00 00:00:00"));
    QCOMPARE(rowOf(m, QStringLiteral("pipe.jpg")), -1);
#endif
    QVERIFY(rowOf(m, QStringLiteral("truncated.jpg")) >= 0);
    QFile::setPermissions(in + QStringLiteral("/locked.jpg"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// Pictures are read ahead of the rows; each row still gets its own file's values.
void TstScan::picturesLandInTheirOwnRows()
{
    const int n = 24;
    for (int i = 0; i < n; ++i) {
        const QString date = QStringLiteral("2020:01:%1 10:00:00").arg(i + 1, 2, 10, QLatin1Char('0'));
        QVERIFY(!jpeg(dir(QStringLiteral("in/p%1.jpg").arg(i, 2, 10, QLatin1Char('0'))), 16 + i, 8 + i,
                      i % 2 ? nullptr : qPrintable(date))
                     .isEmpty());
        if (i % 3 == 0) // files the filter leaves out, between the pictures
            QVERIFY(touch(dir(QStringLiteral("in/p%1.txt").arg(i, 2, 10, QLatin1Char('0')))));
    }
    setFilter(QStringLiteral("*.jpg"));
    ScanFolder(w().port(), dir("in"));
    CatalogueModel &m = *w().catalogue;
    QCOMPARE(m.count(), n);
    for (int i = 0; i < n; ++i) {
        const int r = rowOf(m, QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(r >= 0);
        QCOMPARE(m.text(r, 4), i % 2 ? noPhotoDate()
                                     : QStringLiteral("2020-01-%1 10:00:00").arg(i + 1, 2, 10, QLatin1Char('0')));
        if (mediaInfoAvailable())
            QCOMPARE(m.text(r, 5), QStringLiteral("%1×%2").arg(16 + i).arg(8 + i));
    }
}

void TstScan::entersFilesInNameOrderIgnoringCase()
{
    const QStringList names = {"b.dat", "A.dat", "a1.dat", "_x.dat", "Z.dat", "中.dat", ".h.dat",
                               "10.dat", "9.dat", "B2.dat", "é.dat", "E.dat", "a-b.dat", "a b.dat"};
    for (const QString &n : names)
        QVERIFY(touch(dir("in/") + n));
    setFilter(QStringLiteral("*.*"));
    w().ChNum->setChecked(false);
    ScanFolder(w().port(), dir("in"));
    QStringList expected;
    for (const QString &n : QDir(dir("in")).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase))
        expected << dir("in/") + n;
    QCOMPARE(pathListEntries(w()), expected);
}

void TstScan::settingsChangedDuringTheScan_data()
{
    QTest::addColumn<QString>("change");   // made at the pause after file 1000
    QTest::addColumn<long long>("count");  // files entered
    QTest::addColumn<int>("rows");
    QTest::newRow("window closing") << "stop" << 1000LL << 1000;
    QTest::newRow("filter narrowed") << "filter" << 1004LL << 1004;
    // Unchecking the box empties the list; no row may come after it.
    QTest::newRow("sequential mode off") << "sequential" << 1008LL << 0;
}

// Reads already started for the next files follow the settings the scan meets
// when it reaches them.
void TstScan::settingsChangedDuringTheScan()
{
    QFETCH(QString, change);
    QFETCH(long long, count);
    QFETCH(int, rows);
    QDir().mkpath(dir("in"));
    for (int i = 0; i < 1000; ++i)
        QVERIFY(touch(dir(QStringLiteral("in/a%1.dat").arg(i, 4, 10, QLatin1Char('0')))));
    for (int i = 0; i < 4; ++i) {
        QVERIFY(touch(dir(QStringLiteral("in/b%1.dat").arg(i))));
        QVERIFY(!jpeg(dir(QStringLiteral("in/c%1.jpg").arg(i)), 30, 20).isEmpty());
    }
    setFilter(QStringLiteral("*.*"));
    w().ChN->setChecked(false);
    setPauseHook([&](float) {
        ++pauses;
        if (change == QLatin1String("stop"))
            w().stopRequested = true;
        else if (change == QLatin1String("filter"))
            setFilter(QStringLiteral("*.jpg"));
        else
            w().ChNum->setChecked(false);
    });
    ScanFolder(w().port(), dir("in"));
    w().stopRequested = false;

    QCOMPARE(pauses, 1);
    QCOMPARE(w().cat.count, count);
    CatalogueModel &m = *w().catalogue;
    QCOMPARE(m.count(), rows);
    QCOMPARE(rowOf(m, QStringLiteral("b0.dat")) >= 0, change == QLatin1String("never"));
    const int c = rowOf(m, QStringLiteral("c3.jpg"));
    QCOMPARE(c >= 0, change == QLatin1String("filter"));
    if (c >= 0 && mediaInfoAvailable())
        QCOMPARE(m.text(c, 5), QStringLiteral("30×20"));
}

QTEST_MAIN(TstScan)
#include "tst_scan.moc"
