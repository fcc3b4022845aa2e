// Scan throughput through the real window, headless: sequential scans of one
// folder of 1,000 numbered JPEGs and one of 4,000 (both picture readers; the cost
// per file must not grow with the folder) and a non-sequential scan of 10,000 small
// files, each compared with a plain tool over the same files. The one-second pauses
// the scan makes after every 1000 files are timed apart from the work, and a 5 ms
// timer reports the longest time the window went without processing messages.
#include "Fixture.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/ImageMetadata.h"
#include "catalogue/Scan.h"
#include "platform/MediaInfoLib.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <exiv2/exiv2.hpp>
#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif

#include <cstdio>

using namespace fd;

namespace {

double g_pauseSeconds = 0;
int g_pauses = 0;

#ifndef Q_OS_WIN
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

long peakKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
#else
double cpuSeconds() { return 0; } // not measured here
long peakKb() { return 0; }
#endif

bool makeJpegs(const QString &folder, int first, int count)
{
    QDir().mkpath(folder);
    QImage img(800, 600, QImage::Format_RGB32);
    for (int i = first; i < first + count; ++i) {
        img.fill(QColor::fromHsv(i % 360, 160, 200));
        const QString path = folder + QStringLiteral("/IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
        if (!img.save(path, "JPG", 80))
            return false;
        if (i % 2 == 0) {
            try {
                auto image = Exiv2::ImageFactory::open(std::string(QFile::encodeName(path).constData()));
                image->readMetadata();
                image->exifData()["Exif.Photo.DateTimeOriginal"] =
                    QStringLiteral("2020:03:%1 10:11:12").arg(1 + i % 28, 2, 10, QLatin1Char('0')).toStdString();
                image->writeMetadata();
            } catch (...) {
                return false;
            }
        }
    }
    return true;
}

bool makeSmallFiles(const QString &folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QFile f(folder + QStringLiteral("/f%1.dat").arg(i, 5, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly) || f.write("small file\n") <= 0)
            return false;
    }
    return true;
}

void resetCatalogue(FDispatch &w)
{
    w.catalogue->clear();
    w.cat.count = 0;
    w.cat.pathList.clear();
    w.cat.runList.clear();
    w.LFiles->setCaption(QStringLiteral("0"));
}

struct Timing {
    double total = 0; // seconds, pauses included
    double paused = 0;
    int pauses = 0;
    double cpu = 0; // processor time, pauses included (they mostly sleep)
    double maxStallMs = 0; // longest gap between two ticks of a 5 ms timer
    double work() const { return total - paused; }
};

Timing timedScan(FDispatch &w, const QString &folder)
{
    const double p0 = g_pauseSeconds;
    const int n0 = g_pauses;
    const double c0 = cpuSeconds();
    QElapsedTimer t, tick;
    double maxGap = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        maxGap = qMax(maxGap, tick.nsecsElapsed() / 1e6);
        tick.restart();
    });
    probe.start();
    tick.start();
    t.start();
    ScanFolder(w.port(), folder);
    Timing r;
    r.total = t.nsecsElapsed() / 1e9;
    r.cpu = cpuSeconds() - c0;
    r.paused = g_pauseSeconds - p0;
    r.pauses = g_pauses - n0;
    r.maxStallMs = qMax(maxGap, tick.nsecsElapsed() / 1e6);
    return r;
}

// Seconds one run of an outside tool takes, or a negative value when it cannot run.
double timedTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    p.waitForFinished(-1);
    p.readAll();
    if (p.exitStatus() != QProcess::NormalExit)
        return -1;
    return t.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    if (!tmp.isValid())
        return 1;

    const int smalls = 10000;
    const QList<int> folderSizes = {1000, 4000};
    std::printf("generating one folder each of %d and %d numbered JPEGs (800x600, half with a capture date) "
                "and %d small files...\n",
                folderSizes[0], folderSizes[1], smalls);
    QStringList jpegFolders;
    for (int n : folderSizes) {
        jpegFolders << tmp.filePath(QStringLiteral("jpeg%1").arg(n));
        if (!makeJpegs(jpegFolders.last(), 0, n)) {
            std::printf("could not create the files\n");
            return 1;
        }
    }
    if (!makeSmallFiles(tmp.filePath(QStringLiteral("small")), smalls)) {
        std::printf("could not create the files\n");
        return 1;
    }
    std::printf("MediaInfo library: %s\n", mediaInfoAvailable() ? "loaded" : "missing (sizes read as 0)");

    setPauseHook([](float s) {
        QElapsedTimer t;
        t.start();
        PauseSeconds(s);
        g_pauseSeconds += t.nsecsElapsed() / 1e9;
        ++g_pauses;
    });

    test::WindowFixture fx;
    FDispatch &w = fx.w();
    // As after startup: rows kept sorted by name while they come in.
    w.catalogue->setSortColumn(0);
    w.catalogue->setSorted(true);

    // Sequential scans, both readers, numeric keys, each folder into an empty catalogue.
    w.ChNum->setChecked(true);
    w.ChN->setChecked(true);
    w.ChProg->setChecked(false);
    w.Combo1->setEditText(QStringLiteral("*.jpg"));
    double perFile1000 = 0;
    for (int k = 0; k < folderSizes.size(); ++k) {
        const int n = folderSizes[k];
        const QString &folder = jpegFolders[k];
        resetCatalogue(w);
        w.LFiles->setCaption(QString::number(n));
        const Timing s = timedScan(w, QDir::toNativeSeparators(folder));
        w.catalogue->sortIfNeeded();
        const double rate = double(w.cat.count) / s.work();
        const double perFile = s.work() * 1000 / double(n);
        if (k == 0)
            perFile1000 = perFile;
        std::printf("\nsequential scan, one folder of %d: %lld files, %d rows\n", n, w.cat.count,
                    w.catalogue->count());
        std::printf("  work %.2f s = %.0f files/s = %.2f ms per file", s.work(), rate, perFile);
        if (k > 0)
            std::printf(" (%.2f x the cost per file at %d)", perFile / perFile1000, folderSizes[0]);
        std::printf("\n  processor time %.2f s (the machine may be shared, so wall time can exceed it)\n", s.cpu);
        std::printf("  pauses: %d, %.2f s (not counted as work); longest stall %.0f ms\n", s.pauses, s.paused,
                    s.maxStallMs);
        std::printf("  peak memory %ld KB\n", peakKb());
        const double exif = timedTool(QStringLiteral("exiftool"),
                                      {QStringLiteral("-fast"), QStringLiteral("-T"),
                                       QStringLiteral("-DateTimeOriginal"), QStringLiteral("-ImageSize"), folder});
        if (exif > 0)
            std::printf("  exiftool -fast -T -DateTimeOriginal -ImageSize: %.2f s = %.0f files/s; "
                        "scan/exiftool = %.2f\n",
                        exif, n / exif, rate / (n / exif));
        else
            std::printf("  exiftool not available\n");
    }

    // Where the time of a sequential scan goes: each reader alone over the same files.
    {
        QStringList files;
        for (const QString &n : QDir(jpegFolders[0]).entryList(QDir::Files))
            files << jpegFolders[0] + QLatin1Char('/') + n;
        QElapsedTimer t;
        t.start();
        for (const QString &f : files)
            ReadPhotoDate(f);
        const double date = t.nsecsElapsed() / 1e9;
        t.restart();
        for (const QString &f : files)
            ReadImageSize(f);
        const double size = t.nsecsElapsed() / 1e9;
        std::printf("\n%d files, readers alone on one thread: photo date %.2f s (%.0f files/s), image size %.2f s "
                    "(%.0f files/s)\n",
                    int(files.size()), date, files.size() / date, size, files.size() / size);
    }

    // The same scan with the list kept unsorted: the cost of keeping rows in order.
    {
        resetCatalogue(w);
        w.catalogue->setSorted(false);
        w.LFiles->setCaption(QString::number(folderSizes[0]));
        const Timing u = timedScan(w, QDir::toNativeSeparators(jpegFolders[0]));
        std::printf("  unsorted list, %d files: %.0f files/s\n", folderSizes[0], double(w.cat.count) / u.work());
        w.catalogue->setSorted(true);
    }

    // Non-sequential scan: directory data and random keys only.
    resetCatalogue(w);
    w.ChNum->setChecked(false);
    w.Combo1->setEditText(QStringLiteral("*.*"));
    w.LFiles->setCaption(QString::number(smalls));
    w.cat.runList.resize(smalls);
    const Timing ns = timedScan(w, QDir::toNativeSeparators(tmp.filePath(QStringLiteral("small"))));
    const double nsRate = double(w.cat.count) / ns.work();
    std::printf("\nnon-sequential scan: %lld files\n", w.cat.count);
    std::printf("  work %.2f s = %.0f files/s\n", ns.work(), nsRate);
    std::printf("  processor time %.2f s\n", ns.cpu);
    std::printf("  pauses: %d, %.2f s (not counted as work); longest stall %.0f ms\n", ns.pauses, ns.paused,
                ns.maxStallMs);
    std::printf("  peak memory %ld KB\n", peakKb());
    const double find = timedTool(QStringLiteral("find"), {tmp.filePath(QStringLiteral("small")), QStringLiteral("-type"),
                                                           QStringLiteral("f")});
    if (find > 0)
        std::printf("  find: %.3f s = %.0f files/s; scan/find = %.3f\n", find, smalls / find, nsRate / (smalls / find));

    // The same with the title left alone (ChProg checked).
    resetCatalogue(w);
    w.ChProg->setChecked(true);
    w.LFiles->setCaption(QString::number(smalls));
    w.cat.runList.resize(smalls);
    const Timing nsq = timedScan(w, QDir::toNativeSeparators(tmp.filePath(QStringLiteral("small"))));
    std::printf("  with progress in the bar instead of the title: %.0f files/s\n", double(w.cat.count) / nsq.work());

    // One folder of 100,000: listing it is a long step of its own. Its hundred pauses
    // are counted but not waited here.
    {
        const int many = 100000;
        const QString folder = tmp.filePath(QStringLiteral("many"));
        if (!makeSmallFiles(folder, many)) {
            std::printf("could not create the files\n");
            return 1;
        }
        setPauseHook([](float) { ++g_pauses; });
        resetCatalogue(w);
        w.ChProg->setChecked(false);
        w.LFiles->setCaption(QString::number(many));
        w.cat.runList.resize(many);
        const Timing m = timedScan(w, QDir::toNativeSeparators(folder));
        std::printf("\nnon-sequential scan, one folder of %d: work %.2f s = %.0f files/s, pauses %d, longest stall "
                    "%.0f ms\n",
                    many, m.work(), double(w.cat.count) / m.work(), m.pauses, m.maxStallMs);
        QDir(folder).removeRecursively();
    }

    // Cost of keeping the list in order while rows come in: one re-sort of n rows.
    // Rows arrive at the rate of the picture readers, and the list re-sorts at most
    // once per interval, so this bounds the share of time spent sorting.
    std::printf("\nlist re-sort (name column, rows with random names):\n");
    for (int n : {10000, 100000}) {
        CatalogueModel m;
        quint32 seed = 7;
        for (int i = 0; i < n; ++i) {
            CatalogueModel::Row r;
            seed = seed * 1664525u + 1013904223u;
            r[0] = QStringLiteral("IMG_%1.jpg").arg(seed % 1000000u);
            m.addRow(r);
        }
        m.setSortColumn(0);
        m.setSorted(true);
        QElapsedTimer t;
        t.start();
        m.resort();
        const double first = t.nsecsElapsed() / 1e6;
        CatalogueModel::Row extra;
        extra[0] = QStringLiteral("IMG_500000.jpg");
        m.addRow(extra);
        t.restart();
        m.resort();
        std::printf("  %6d rows: %.1f ms unsorted, %.1f ms after one more row\n", n, first, t.nsecsElapsed() / 1e6);
    }

    setPauseHook({});
    return 0;
}
