// Random draw from a large pool through the real window, headless, against cp of
// the same number of files.
//
//   bench_draw [draw100k]         the one case
//   bench_draw --list
//
// Overrides (environment): BENCH_DIR (work folder, default a temporary one),
// BENCH_POOL (100000 files in the input folder), BENCH_SETS (100 sets drawn per run),
// BENCH_SET_SIZE (100 files a set), BENCH_SMALL_KB (4).
//
// Two runs: the first reads the input folder into the pool, the second answers No
// to the update question and draws from the kept pool. A draw makes pool / size
// sets in all; each run is stopped after BENCH_SETS sets the way closing the window
// stops it. The scan's one-second pauses are skipped and reported. The machine line
// (see BenchCommon.h) times the first run's draw, after its pool is ready; the
// stall is the longest over both runs.
#include "BenchCommon.h"
#include "Fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>

using namespace fd;
using namespace fd::test;
using namespace fd::bench;

namespace {

int runDraw()
{
    const long long poolSize = envInt("BENCH_POOL", 100000);
    const long long sets = envInt("BENCH_SETS", 100);
    const long long size = envInt("BENCH_SET_SIZE", 100);
    const long long bytes = envInt("BENCH_SMALL_KB", 4) * 1024;
    QTemporaryDir work(benchBase() + QStringLiteral("/fdbench-XXXXXX"));
    const QString in = work.path() + QStringLiteral("/in"), out = work.path() + QStringLiteral("/out"),
                  cpOut = work.path() + QStringLiteral("/cp");
    QDir().mkpath(in);
    QDir().mkpath(out);
    QDir().mkpath(cpOut);
    QByteArray data(int(bytes), 'x');
    for (long long i = 0; i < poolSize; ++i) {
        QFile f(in + QStringLiteral("/IMG_%1.jpg").arg(i + 1, 6, 10, QLatin1Char('0')));
        data[0] = char(i);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            qFatal("cannot write test data");
    }
    QProcess::execute(QStringLiteral("sync"), {});

    // Baseline: cp of as many files as one run draws.
    const long long drawn = qMin(sets * size, ((poolSize + size - 1) / size) * size);
    QElapsedTimer t;
    t.start();
    QProcess::execute(QStringLiteral("sh"),
                      {QStringLiteral("-c"), QStringLiteral("cd \"%1\" && ls | head -n %2 | xargs cp -t \"%3\" && sync -f \"%3\"")
                                                 .arg(in)
                                                 .arg(drawn)
                                                 .arg(cpOut)});
    const double cp = t.nsecsElapsed() / 1e9;
    QDir(cpOut).removeRecursively();

    WindowFixture fx(true);
    FDispatch &w = fx.w();
    for (int i = 0; i < 4; ++i)
        fx.shell.answerMessage(Answer::No); // no update, keep the pool
    w.Combo1->setEditText(QStringLiteral("*.*"));
    w.LDir->setCaption(in);
    w.LDirOut->setCaption(out);
    QCoreApplication::processEvents();
    setOption(w.Opt1, true);
    w.ChRndDraw->setChecked(true);
    w.TParts->setText(QString::number(size));

    SkippedPauses pauses;
    StallProbe probe;
    double stallMs = 0, firstDraw = 0;
    const QString lastFile = QStringLiteral("  正在随机分发中%1/%2之%3/%3").arg(sets).arg((poolSize + size - 1) / size).arg(size);
    double firstSet = -1;
    QObject::connect(&w, &QWidget::windowTitleChanged, &w, [&](const QString &title) {
        if (firstSet < 0 && title.contains(QStringLiteral("  正在随机分发中")))
            firstSet = t.nsecsElapsed() / 1e9;
        if (title.endsWith(lastFile))
            w.stopRequested = true; // stops after this file, as closing the window would
    });

    int rc = 0;
    for (int run = 1; run <= 2; ++run) {
        firstSet = -1;
        t.start();
        probe.start();
        w.CmdDo_Click();
        stallMs = qMax(stallMs, probe.stopMs());
        QProcess::execute(QStringLiteral("sync"), {});
        const double wall = t.nsecsElapsed() / 1e9;
        w.stopRequested = false;
        const long long placed = filesBelow(out);
        // Before the first set: the pool (scanned or kept) and the old sets deleted.
        const double prepare = firstSet < 0 ? wall : firstSet;
        std::printf("draw run %d  pool=%lld sets=%lld size=%lld prepare=%.2fs draw=%.2fs cp=%.2fs ratio(draw/cp)=%.1f "
                    "peak=%lldKiB placed=%lld skippedPauses=%.0fs\n",
                    run, (long long)w.draw.paths.size(), sets, size, prepare, wall - prepare, cp,
                    cp > 0 ? (wall - prepare) / cp : 0.0, peakKiB(), placed, pauses.seconds);
        std::fflush(stdout);
        if (run == 1)
            firstDraw = wall - prepare;
        if (placed != drawn || w.draw.paths.size() != poolSize)
            rc = 1;
    }
    printResult(QStringLiteral("draw100k"), firstDraw, cp, peakKiB(), stallMs);
    return rc;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc <= 1)
        return runDraw();
    return caseMain(argc, argv, {QStringLiteral("draw100k")}, [](const QString &) { return runDraw(); });
}
