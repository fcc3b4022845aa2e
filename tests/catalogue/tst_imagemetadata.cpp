#include "catalogue/ImageMetadata.h"
#include "platform/ImageProperties.h"
#include "platform/MediaInfoLib.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <exiv2/exiv2.hpp>

using namespace fd;

namespace {

QString makeImage(const QString &path, int w, int h, const char *format = "JPG")
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(40, 120, 200));
    if (!img.save(path, format))
        return QString();
    return path;
}

// Writes EXIF properties into an existing picture with the library itself.
bool writeExif(const QString &path, const std::function<void(Exiv2::ExifData &)> &fill)
{
    try {
        auto image = Exiv2::ImageFactory::open(std::string(QFile::encodeName(path).constData()));
        image->readMetadata();
        Exiv2::ExifData data = image->exifData();
        fill(data);
        image->setExifData(data);
        image->writeMetadata();
        return true;
    } catch (...) {
        return false;
    }
}

bool writeText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("just some words, no picture\n") > 0;
}

bool writeDate(const QString &path, const char *date)
{
    return writeExif(path, [date](Exiv2::ExifData &d) { d["Exif.Photo.DateTimeOriginal"] = std::string(date); });
}

} // namespace

class TstImageMetadata : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void dateTextSteps_data();
    void dateTextSteps();
    void sizeReport_data();
    void sizeReport();
    void propertyLayerListsNamesAndValues();
    void photoDateOfRealFiles();
    void photoDateIgnoresTheWordInOtherProperties();
    void imageSizeOfRealFiles();
    void sizeDoesNotCarryOverToTheNextFile();
    void chineseNames();
    void missingLibraryGivesZeros();
    void damagedPicturesDoNotCrash();
    void newerFormatsAgreeWithExiftool_data();
    void newerFormatsAgreeWithExiftool();
    void captureDateInTheFirstImageDirectory();
    void fieldsGiveTheSizeOfTheReport_data();
    void fieldsGiveTheSizeOfTheReport();

private:
    QTemporaryDir dir;
    QString p(const QString &name) const { return dir.filePath(name); }
};

void TstImageMetadata::initTestCase()
{
    QVERIFY(dir.isValid());
}

void TstImageMetadata::dateTextSteps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // "FAIL" when the read fails
    QTest::newRow("plain") << "ExifDTOrig 2019:07:14 08:05:33" << "2019-07-14 08:05:33";
    QTest::newRow("terminator behind seconds") << QStringLiteral("ExifDTOrig 2019:07:14 08:05:33") + QChar(0)
                                               << "2019-07-14 08:05:33";
    QTest::newRow("text behind seconds") << "ExifDTOrig 2019:07:14 08:05:33xyz" << "2019-07-14 08:05:33";
    QTest::newRow("date only, no blank") << "ExifDTOrig 2019:07:14" << "FAIL";
    QTest::newRow("no value") << "ExifDTOrig" << "FAIL";
}

void TstImageMetadata::dateTextSteps()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const auto r = photoDateFromPropertyText(text);
    if (expected == QLatin1String("FAIL"))
        QVERIFY(!r);
    else
        QCOMPARE(r.value_or(QStringLiteral("FAIL")), expected);
}

void TstImageMetadata::sizeReport_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::newRow("thousands with blanks")
        << "Image\nFormat                                   : JPEG\n"
           "Width                                    : 4 000 pixels\n"
           "Height                                   : 3 000 pixels\n"
        << "4000" << "3000";
    QTest::newRow("small") << "Width : 640 pixels\nHeight : 480 pixels\n" << "640" << "480";
    QTest::newRow("width without pixels anywhere") << "Width : 640\nHeight : 480\n" << "0" << "0";
    QTest::newRow("pixels only before Height") << "Width : 640 pixels\nHeight : 480\n" << "640" << "0";
    QTest::newRow("no words") << "General\nFormat : Text\n" << "0" << "0";
    QTest::newRow("empty") << "" << "0" << "0";
    QTest::newRow("pixels before Width") << "Note : pixels\nWidth : 5 pixels\nHeight : 7 pixels" << "0" << "7";
    QTest::newRow("no number") << "Width : n/a pixels\nHeight : 9 pixels" << "0" << "9";
}

void TstImageMetadata::sizeReport()
{
    QFETCH(QString, report);
    QFETCH(QString, width);
    QFETCH(QString, height);
    const ImageSize s = parseImageSizeReport(report);
    QCOMPARE(s.width, width);
    QCOMPARE(s.height, height);
}

void TstImageMetadata::propertyLayerListsNamesAndValues()
{
    const QString f = makeImage(p("props.jpg"), 32, 16);
    QVERIFY(writeExif(f, [](Exiv2::ExifData &d) {
        d["Exif.Image.Make"] = std::string("Maker");
        d["Exif.Photo.DateTimeOriginal"] = std::string("2020:01:02 03:04:05");
        d["Exif.Photo.ExposureTime"] = Exiv2::Rational(1, 125);
        d["Exif.Photo.ISOSpeedRatings"] = uint16_t(200);
        Exiv2::DataValue version(Exiv2::undefined);
        version.read("48 50 51 48");
        d["Exif.Photo.ExifVersion"] = version;
    }));
    ImageProperties props;
    QVERIFY(props.load(f));
    QHash<QString, QString> values;
    for (int i = 0; i < props.count(); ++i)
        values.insert(props.name(i), props.valueText(i));
    QCOMPARE(values.value(QStringLiteral("ExifDTOrig")), QStringLiteral("2020:01:02 03:04:05"));
    QCOMPARE(values.value(QStringLiteral("Exif.Image.Make")), QStringLiteral("Maker"));
    QCOMPARE(values.value(QStringLiteral("Exif.Photo.ExposureTime")), QStringLiteral("1/125"));
    QCOMPARE(values.value(QStringLiteral("Exif.Photo.ISOSpeedRatings")), QStringLiteral("200"));
    QCOMPARE(values.value(QStringLiteral("Exif.Photo.ExifVersion")), QStringLiteral("30 32 33 30"));

    QVERIFY(writeText(p("notes.txt")));
    QVERIFY(!props.load(p("notes.txt")));
    QCOMPARE(props.count(), 0);
}

void TstImageMetadata::photoDateOfRealFiles()
{
    const QString dated = makeImage(p("dated.jpg"), 64, 48);
    QVERIFY(writeDate(dated, "2019:07:14 08:05:33"));
    QCOMPARE(ReadPhotoDate(dated).value_or("FAIL"), QStringLiteral("2019-07-14 08:05:33"));

    QCOMPARE(ReadPhotoDate(makeImage(p("plain.jpg"), 64, 48)).value_or("FAIL"), noPhotoDate());
    QCOMPARE(ReadPhotoDate(makeImage(p("plain.png"), 64, 48, "PNG")).value_or("FAIL"), noPhotoDate());

    QVERIFY(writeText(p("text.txt")));
    QVERIFY(!ReadPhotoDate(p("text.txt")));
    QVERIFY(!ReadPhotoDate(p("missing.jpg")));

    // A JPEG cut short inside its EXIF block must not crash the reader.
    QFile full(dated);
    QVERIFY(full.open(QIODevice::ReadOnly));
    const QByteArray bytes = full.readAll();
    for (int cut : {2, 20, 60, int(bytes.size() / 2)}) {
        QFile t(p(QStringLiteral("cut%1.jpg").arg(cut)));
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write(bytes.left(cut));
        t.close();
        ReadPhotoDate(t.fileName()); // any answer, but an answer
        ReadImageSize(t.fileName());
    }
}

void TstImageMetadata::photoDateIgnoresTheWordInOtherProperties()
{
    const QString f = makeImage(p("described.jpg"), 16, 16);
    QVERIFY(writeExif(f, [](Exiv2::ExifData &d) {
        d["Exif.Image.ImageDescription"] = std::string("see ExifDTOrig below");
        d["Exif.Photo.DateTimeOriginal"] = std::string("2021:12:31 23:59:58");
    }));
    QCOMPARE(ReadPhotoDate(f).value_or("FAIL"), QStringLiteral("2021-12-31 23:59:58"));
}

void TstImageMetadata::imageSizeOfRealFiles()
{
    if (!mediaInfoAvailable())
        QSKIP("MediaInfo library not installed");
    ImageSize s = ReadImageSize(makeImage(p("big.jpg"), 4000, 3000));
    QCOMPARE(s.width, QStringLiteral("4000"));
    QCOMPARE(s.height, QStringLiteral("3000"));
    s = ReadImageSize(makeImage(p("small.png"), 37, 21, "PNG"));
    QCOMPARE(s.width, QStringLiteral("37"));
    QCOMPARE(s.height, QStringLiteral("21"));
    QVERIFY(writeText(p("words.txt")));
    s = ReadImageSize(p("words.txt"));
    QCOMPARE(s.width + "x" + s.height, QStringLiteral("0x0"));
    s = ReadImageSize(p("no such file.jpg"));
    QCOMPARE(s.width + "x" + s.height, QStringLiteral("0x0"));
}

void TstImageMetadata::sizeDoesNotCarryOverToTheNextFile()
{
    if (!mediaInfoAvailable())
        QSKIP("MediaInfo library not installed");
    const ImageSize hd = ReadImageSize(makeImage(p("hd.jpg"), 1920, 1080));
    QCOMPARE(hd.width + "x" + hd.height, QStringLiteral("1920x1080"));
    QVERIFY(writeText(p("after.dat")));
    const ImageSize none = ReadImageSize(p("after.dat"));
    QCOMPARE(none.width + "x" + none.height, QStringLiteral("0x0"));
}

void TstImageMetadata::chineseNames()
{
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("相册 二")));
    const QString f = makeImage(p(QStringLiteral("相册 二/照片 一.jpg")), 320, 240);
    QVERIFY(!f.isEmpty());
    QVERIFY(writeDate(f, "2018:02:03 04:05:06"));
    QCOMPARE(ReadPhotoDate(f).value_or("FAIL"), QStringLiteral("2018-02-03 04:05:06"));
    if (!mediaInfoAvailable())
        QSKIP("MediaInfo library not installed");
    const ImageSize s = ReadImageSize(f);
    QCOMPARE(s.width + "x" + s.height, QStringLiteral("320x240"));
}

void TstImageMetadata::missingLibraryGivesZeros()
{
    const QString f = makeImage(p("any.jpg"), 100, 50);
    setMediaInfoLibraryName(QStringLiteral("libno-such-mediainfo.so.9"));
    QVERIFY(!mediaInfoAvailable());
    const ImageSize s = ReadImageSize(f);
    setMediaInfoLibraryName(QString());
    QCOMPARE(s.width + "x" + s.height, QStringLiteral("0x0"));
}

void TstImageMetadata::damagedPicturesDoNotCrash()
{
    const QString src = makeImage(p("source.jpg"), 120, 90);
    QVERIFY(writeExif(src, [](Exiv2::ExifData &d) {
        d["Exif.Photo.DateTimeOriginal"] = std::string("2019:07:14 08:05:33");
        d["Exif.Image.Make"] = std::string("Maker");
        d["Exif.Photo.ExposureTime"] = Exiv2::Rational(1, 60);
    }));
    QFile in(src);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray good = in.readAll();
    // Damage the first kilobyte (markers, EXIF offsets and counts) at random places.
    quint32 seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 150; ++round) {
        QByteArray bad = good;
        const int flips = 1 + int(next() % 8);
        for (int k = 0; k < flips; ++k)
            bad[int(next() % quint32(qMin<qsizetype>(bad.size(), 1024)))] = char(next() >> 24);
        QFile out(p(QStringLiteral("damaged%1.jpg").arg(round)));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bad);
        out.close();
        const auto date = ReadPhotoDate(out.fileName());
        if (date)
            QVERIFY(!date->isNull());
        const ImageSize s = ReadImageSize(out.fileName());
        QVERIFY(!s.width.isEmpty() && !s.height.isEmpty());
    }
}

void TstImageMetadata::newerFormatsAgreeWithExiftool_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("size");
    QTest::newRow("webp") << "p.webp" << "64x40";
    QTest::newRow("heic") << "p.heic" << "48x48";
    QTest::newRow("avif") << "p.avif" << "50x30";
}

// Pictures of today's phones, made by ImageMagick and dated by exiftool, read
// as exiftool reads them.
void TstImageMetadata::newerFormatsAgreeWithExiftool()
{
    QFETCH(QString, name);
    QFETCH(QString, size);
    const QString f = p(name);
    if (QProcess::execute(QStringLiteral("convert"), {"-size", size, "xc:#3080c0", f}) != 0 || !QFile::exists(f))
        QSKIP("the converter cannot write this format here");
    if (QProcess::execute(QStringLiteral("exiftool"),
                          {"-q", "-overwrite_original", "-DateTimeOriginal=2021:06:07 08:09:10", f}) != 0)
        QSKIP("exiftool cannot date this format here");
    QProcess tool;
    tool.start(QStringLiteral("exiftool"), {"-T", "-DateTimeOriginal", "-ImageSize", f});
    QVERIFY(tool.waitForFinished());
    const QStringList ref = QString::fromUtf8(tool.readAllStandardOutput()).trimmed().split(QLatin1Char('\t'));
    QCOMPARE(ref.size(), 2);
    QString date = ref[0];
    date.replace(0, 10, date.left(10).replace(QLatin1Char(':'), QLatin1Char('-')));
    QCOMPARE(ReadPhotoDate(f).value_or(QString()), date);
    const ImageSize s = ReadImageSize(f);
    QCOMPARE(s.width + QLatin1Char('x') + s.height, ref[1]);
}

// TIFF and raw writers keep the date in the first image directory; the Exif
// block wins when both hold one.
void TstImageMetadata::captureDateInTheFirstImageDirectory()
{
    const QString f = p("ifd0.tif");
    if (QProcess::execute(QStringLiteral("convert"), {"-size", "20x10", "xc:#3080c0", f}) != 0)
        QSKIP("no converter for TIFF here");
    QVERIFY(writeExif(f, [](Exiv2::ExifData &d) { d["Exif.Image.DateTimeOriginal"] = std::string("2018:01:02 03:04:05"); }));
    QCOMPARE(ReadPhotoDate(f).value_or(QString()), QStringLiteral("2018-01-02 03:04:05"));
    QVERIFY(writeDate(f, "2019:07:14 08:05:33"));
    QCOMPARE(ReadPhotoDate(f).value_or(QString()), QStringLiteral("2019-07-14 08:05:33"));
}

void TstImageMetadata::fieldsGiveTheSizeOfTheReport_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args"); // the output file is appended
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("size");
    const QStringList picture = {"-size", "321x123", "plasma:"};
    for (const char *ext : {"jpg", "png", "gif", "tif", "bmp", "webp"})
        QTest::newRow(ext) << "convert" << picture << QStringLiteral("IMG_0001.%1").arg(QLatin1String(ext))
                           << "321x123";
    QTest::newRow("progressive jpeg") << "convert" << (QStringList(picture) << "-interlace" << "JPEG")
                                      << "PRG_0001.jpg" << "321x123";
    // A format prefix makes the tool write another format than the name says.
    QTest::newRow("png named jpg") << "convert" << picture << "png:wrong.jpg" << "321x123";
    QTest::newRow("jpeg named gif") << "convert" << picture << "jpg:wrong.gif" << "321x123";
    const QStringList video = {"-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=10", "-t", "1"};
    QTest::newRow("mp4, index at the end") << "ffmpeg" << (QStringList(video) << "-pix_fmt" << "yuv420p")
                                           << "clip.mp4" << "320x240";
    QTest::newRow("mp4 with sound, index first")
        << "ffmpeg"
        << QStringList{"-v", "error", "-f", "lavfi", "-i", "testsrc=size=160x120:rate=10", "-f", "lavfi", "-i",
                       "sine", "-t", "1", "-movflags", "+faststart"}
        << "clip2.mp4" << "160x120";
    QTest::newRow("mkv") << "ffmpeg" << video << "clip.mkv" << "320x240";
    QTest::newRow("avi") << "ffmpeg" << video << "clip.avi" << "320x240";
    QTest::newRow("sound only") << "ffmpeg" << QStringList{"-v", "error", "-f", "lavfi", "-i", "sine", "-t", "1"}
                                << "tone.mp3" << "0x0";
}

// The width and height fields, read from the file's bytes, against the text
// report with the library reading the file itself, over real files of each kind.
void TstImageMetadata::fieldsGiveTheSizeOfTheReport()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    QFETCH(QString, name);
    QFETCH(QString, size);
    if (!mediaInfoAvailable())
        QSKIP("MediaInfo library not installed");
    const QString folder = p(QStringLiteral("corpus"));
    QDir().mkpath(folder);
    const QString format = name.left(name.indexOf(QLatin1Char(':')) + 1);
    name.remove(0, format.size());
    const QString f = folder + QLatin1Char('/') + name;
    if (QProcess::execute(tool, QStringList(args) << format + f) != 0 || !QFile::exists(f))
        QSKIP("the tool cannot make this file here");
    // Enough numbered copies beside the file to make the library see a sequence,
    // unless told not to: each is read as one picture.
    if (name.contains(QLatin1Char('_')))
        for (int k = 2; k <= 25; ++k)
            QVERIFY(QFile::copy(f, folder + QLatin1Char('/') + name.left(name.indexOf(QLatin1Char('_')) + 1)
                                     + QStringLiteral("%1").arg(k, 4, 10, QLatin1Char('0'))
                                     + name.mid(name.lastIndexOf(QLatin1Char('.')))));

    const QString report = mediaInfoReport(f).value_or(QString());
    QVERIFY(!report.contains(QLatin1String("CompleteName_Last")));
    const ImageSize fromReport = parseImageSizeReport(report);
    const MediaInfoSize fields = mediaInfoSize(f).value_or(MediaInfoSize());
    auto orZero = [](const QString &t) { return t.isEmpty() ? QStringLiteral("0") : t; };
    QCOMPARE(orZero(fields.width) + "x" + orZero(fields.height), fromReport.width + "x" + fromReport.height);
    const ImageSize read = ReadImageSize(f);
    QCOMPARE(read.width + "x" + read.height, size);
}

QTEST_MAIN(TstImageMetadata)
#include "tst_imagemetadata.moc"
