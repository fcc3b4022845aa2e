// Time to add a tree of folders with subfolders to the output folder list (against
// find over the same tree), and to sort a run list of the largest size the sort takes.
//
//   bench_outputs [tree10k | <width>]   a tree of width x width subfolders (100)
//   bench_outputs --list
//
// The machine line (see BenchCommon.h) times the first listing of the tree.
#include "BenchCommon.h"
#include "Fixture.h"

#include "catalogue/Sorting.h"
#include "outputs/FlexGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QRadioButton>
#include <cstdio>

using namespace fd;
using namespace fd::test;
using namespace fd::bench;

namespace {

int runTree(const QString &name, int width)
{
    WindowFixture fx;
    FDispatch &w = fx.w();

    QTemporaryDir t(benchBase() + QStringLiteral("/fdbench-XXXXXX"));
    const QString root = QDir::toNativeSeparators(t.path() + "/root");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < width; ++i)
        for (int j = 0; j < width; ++j)
            QDir().mkpath(QStringLiteral("%1/d%2/s%3").arg(root).arg(i).arg(j));
    std::printf("made %d folders in %lld ms\n", width * width + width, timer.restart());
    const double find = shellSeconds(QStringLiteral("find '%1' -type d >/dev/null").arg(root));

    w.Opt3->click();
    w.ChSubFold->setChecked(true);
    StallProbe probe;
    probe.start();
    timer.restart();
    w.takeOutputFolder(root);
    const double listed = timer.nsecsElapsed() / 1e9;
    const double stallMs = probe.stopMs();
    std::printf("listed %d rows in %.0f ms (find: %.0f ms)\n", w.MSFlexGrid1->rows() - 1, listed * 1000, find * 1000);
    timer.restart();
    w.ChSubFold->setChecked(true);
    w.takeOutputFolder(root); // every subfolder already listed
    std::printf("walked again (all listed) in %lld ms\n", timer.restart());

    QVector<RunEntry> list;
    for (int i = 0; i < 32768; ++i)
        list.append({QString::number(i), QString::number((i * 7919) % 32768)});
    timer.restart();
    SortRunList(w.port(), list, 32767);
    std::printf("sorted 32768 run-list entries in %lld ms\n", timer.restart());
    printResult(name, listed, find, peakKiB(), stallMs);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool number = false;
    const int width = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt(&number) : 100;
    if (argc <= 1 || number)
        return runTree(width == 100 ? QStringLiteral("tree10k") : QStringLiteral("tree%1x%1").arg(width), width);
    return caseMain(argc, argv, {QStringLiteral("tree10k")}, [](const QString &n) { return runTree(n, 100); });
}
