// Scan throughput through the real window, headless: sequential scans of one
// folder of 1,000 numbered JPEGs and one of 4,000 (both picture readers; the cost
// per file must not grow with the folder) against exiftool, and non-sequential
// scans of one folder of 10,000, 100,000 and 1,000,000 small files against find.
// The one-second pauses the scan makes after every 1000 files are counted and
// skipped, and a 5 ms timer reports the longest time the window went without
// processing messages.
//
//   bench_scan                  every case but scan1m, each in its own process,
//                               then the cost of re-sorting the list
//   bench_scan --list           the case names
//   bench_scan <case>           one case (seq1000, seq4000, scan10k, scan100k, scan1m)
//
// scan1m needs a million free inodes and about 4.5 GiB: BENCH_DIR on a tmpfs
// suits it.
#include "BenchCommon.h"
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
#include <sys/resource.h>

#include <cstdio>

using namespace fd;
using namespace fd::bench;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

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

void resetCatalogue(FDispatch &w)
{
    w.catalogue->clear();
    w.cat.count = 0;
    w.cat.pathList.clear();
    w.cat.runList.clear();
    w.LFiles->setCaption(QStringLiteral("0"));
}

struct Timing {
    double work = 0; // seconds, the skipped pauses cost nothing
    int pauses = 0;
    double cpu = 0; // processor time
    double maxStallMs = 0; // longest gap between two ticks of a 5 ms timer
};

Timing timedScan(FDispatch &w, const QString &folder)
{
    SkippedPauses pauses;
    const double c0 = cpuSeconds();
    StallProbe probe;
    QElapsedTimer t;
    probe.start();
    t.start();
    ScanFolder(w.port(), folder);
    Timing r;
    r.work = t.nsecsElapsed() / 1e9;
    r.maxStallMs = probe.stopMs();
    r.cpu = cpuSeconds() - c0;
    r.pauses = pauses.count;
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

// A window as after startup: rows kept sorted by name while they come in.
struct ScanWindow {
    ScanWindow()
    {
        w.catalogue->setSortColumn(0);
        w.catalogue->setSorted(true);
        w.ChProg->setChecked(false);
    }
    test::WindowFixture fx;
    FDispatch &w = fx.w();
};

// Sequential scan of n numbered JPEGs with both readers and numeric keys, into an
// empty catalogue; seq1000 also times each reader alone and the unsorted list.
int runSequential(const QString &name, int n, const QString &work)
{
    const QString folder = work + QStringLiteral("/jpeg");
    std::printf("generating one folder of %d numbered JPEGs (800x600, half with a capture date)...\n", n);
    if (!makeJpegs(folder, 0, n)) {
        std::printf("could not create the files\n");
        return 1;
    }
    std::printf("MediaInfo library: %s\n", mediaInfoAvailable() ? "loaded" : "missing (sizes read as 0)");
    ScanWindow sw;
    FDispatch &w = sw.w;
    w.ChNum->setChecked(true);
    w.ChN->setChecked(true);
    w.Combo1->setEditText(QStringLiteral("*.jpg"));
    resetCatalogue(w);
    w.LFiles->setCaption(QString::number(n));
    const Timing s = timedScan(w, QDir::toNativeSeparators(folder));
    w.catalogue->sortIfNeeded();
    const double rate = double(w.cat.count) / s.work;
    std::printf("\nsequential scan, one folder of %d: %lld files, %d rows\n", n, w.cat.count, w.catalogue->count());
    std::printf("  work %.2f s = %.0f files/s = %.2f ms per file\n", s.work, rate, s.work * 1000 / double(n));
    std::printf("  processor time %.2f s (the machine may be shared, so wall time can exceed it)\n", s.cpu);
    std::printf("  pauses: %d, skipped; longest stall %.0f ms\n", s.pauses, s.maxStallMs);
    const long long peak = peakKiB();
    std::printf("  peak memory %lld KB\n", peak);
    const double exif = timedTool(QStringLiteral("exiftool"),
                                  {QStringLiteral("-fast"), QStringLiteral("-T"), QStringLiteral("-DateTimeOriginal"),
                                   QStringLiteral("-ImageSize"), folder});
    if (exif > 0)
        std::printf("  exiftool -fast -T -DateTimeOriginal -ImageSize: %.2f s = %.0f files/s; scan/exiftool = %.2f\n",
                    exif, n / exif, rate / (n / exif));
    else
        std::printf("  exiftool not available\n");

    if (n <= 1000) {
        // Where the time of a sequential scan goes: each reader alone over the same files.
        QStringList files;
        for (const QString &f : QDir(folder).entryList(QDir::Files))
            files << folder + QLatin1Char('/') + f;
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

        // The same scan with the list kept unsorted: the cost of keeping rows in order.
        resetCatalogue(w);
        w.catalogue->setSorted(false);
        w.LFiles->setCaption(QString::number(n));
        const Timing u = timedScan(w, QDir::toNativeSeparators(folder));
        std::printf("  unsorted list, %d files: %.0f files/s\n", n, double(w.cat.count) / u.work);
    }
    printResult(name, s.work, exif > 0 ? exif : 0, peak, s.maxStallMs);
    return w.cat.count == n ? 0 : 1;
}

// Non-sequential scan of one folder of n small files: directory data and random
// keys only; scan10k also with the progress shown in the bar.
int runPlain(const QString &name, int n, const QString &work)
{
    const QString folder = work + QStringLiteral("/small");
    if (!makeSmallFiles(folder, n)) {
        std::printf("could not create the files\n");
        return 1;
    }
    ScanWindow sw;
    FDispatch &w = sw.w;
    w.ChNum->setChecked(false);
    w.Combo1->setEditText(QStringLiteral("*.*"));
    resetCatalogue(w);
    w.LFiles->setCaption(QString::number(n));
    w.cat.runList.resize(n);
    const Timing ns = timedScan(w, QDir::toNativeSeparators(folder));
    const long long scanned = w.cat.count;
    const double rate = double(scanned) / ns.work;
    const long long peak = peakKiB();
    std::printf("\nnon-sequential scan, one folder of %d: %lld files\n", n, scanned);
    std::printf("  work %.2f s = %.0f files/s\n", ns.work, rate);
    std::printf("  processor time %.2f s\n", ns.cpu);
    std::printf("  pauses: %d, skipped; longest stall %.0f ms\n", ns.pauses, ns.maxStallMs);
    std::printf("  peak memory %lld KB\n", peak);
    const double find = timedTool(QStringLiteral("find"), {folder, QStringLiteral("-type"), QStringLiteral("f")});
    if (find > 0)
        std::printf("  find: %.3f s = %.0f files/s; scan/find = %.3f\n", find, n / find, rate / (n / find));

    if (n <= 10000) {
        // The same with the title left alone (ChProg checked).
        resetCatalogue(w);
        w.ChProg->setChecked(true);
        w.LFiles->setCaption(QString::number(n));
        w.cat.runList.resize(n);
        const Timing nsq = timedScan(w, QDir::toNativeSeparators(folder));
        std::printf("  with progress in the bar instead of the title: %.0f files/s\n", double(w.cat.count) / nsq.work);
    }
    printResult(name, ns.work, find > 0 ? find : 0, peak, ns.maxStallMs);
    return scanned == n ? 0 : 1;
}

// Cost of keeping the list in order while rows come in: one re-sort of n rows.
// Rows arrive at the rate of the picture readers, and the list re-sorts at most
// once per interval, so this bounds the share of time spent sorting.
void printResortCost()
{
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
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList cases = {QStringLiteral("seq1000"), QStringLiteral("seq4000"), QStringLiteral("scan10k"),
                               QStringLiteral("scan100k"), QStringLiteral("scan1m")};
    const int rc = caseMain(argc, argv, cases, [](const QString &name) {
        QTemporaryDir work(benchBase() + QStringLiteral("/fdbench-XXXXXX"));
        if (!work.isValid())
            return 1;
        if (name.startsWith(QLatin1String("seq")))
            return runSequential(name, name.mid(3).toInt(), work.path());
        const int n = name == QLatin1String("scan10k") ? 10000 : name == QLatin1String("scan100k") ? 100000 : 1000000;
        return runPlain(name, n, work.path());
    }, cases.mid(0, 4));
    if (argc <= 1)
        printResortCost();
    return rc;
}
