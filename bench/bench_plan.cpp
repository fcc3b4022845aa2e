// Planning a run through the real window, headless: numbered folders of 1,000
// files over one input folder of 10,000 or 100,000 small files, against a plain
// scan of the same folder (the plan reads the folder once itself). The plan must
// cost little beyond that reading, and the window must keep processing messages.
//
//   bench_plan                  every case, each in its own process
//   bench_plan --list           the case names
//   bench_plan <case>           one case (plan10k, plan100k)
#include "BenchCommon.h"
#include "Fixture.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/Scan.h"
#include "dispatch/PlanWindow.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

using namespace fd;
using namespace fd::bench;

namespace {

int runPlan(const QString &name, int n, const QString &work)
{
    const QString in = work + QStringLiteral("/in"), out = work + QStringLiteral("/out");
    std::printf("generating one folder of %d small files...\n", n);
    if (!makeSmallFiles(in, n) || !QDir().mkpath(out))
        return 1;
    test::WindowFixture fx;
    FDispatch &w = fx.w();
    fx.shell.setAutoOk(true);
    SkippedPauses pauses;
    w.Combo1->setEditText(QStringLiteral("*.*"));
    w.LDir->setCaption(in);
    w.LDirOut->setCaption(out);
    setOption(w.Opt1, true); // a fixed number of files per folder
    w.TParts->setText(QStringLiteral("1000"));
    QCoreApplication::processEvents();

    // The scan alone, as the input folder's reading makes it.
    w.catalogue->clear();
    w.cat = CatalogueState{};
    w.LFiles->setCaption(QString::number(n));
    w.cat.runList.resize(n);
    QElapsedTimer t;
    t.start();
    ScanFolder(w.port(), in);
    const double scan = t.nsecsElapsed() / 1e9;
    const long long scanned = w.cat.count;
    const double scanPauses = pauses.seconds; // what the scan waits besides its work
    const int plannedPauses = pauses.count;

    StallProbe probe;
    probe.start();
    t.restart();
    w.CmdPlan_Click();
    const double plan = t.nsecsElapsed() / 1e9;
    const double stall = probe.stopMs();
    auto *f = w.findChild<FPlan *>(QStringLiteral("FPlan"));
    const int rows = f ? f->PlanTable->model()->rowCount() : 0;
    std::printf("\nplan of %d files into numbered folders of 1000: %d rows\n", n, rows);
    if (f)
        std::printf("  %s\n", qPrintable(f->LPlanSum->text()));
    std::printf("  plan %.2f s (its own reading of the folder included), scan alone %.2f s (%lld files)\n", plan,
                scan, scanned);
    std::printf("  the scan as a run makes it waits %.0f s more in its mandated pauses; the plan waits in %d\n",
                scanPauses, pauses.count - plannedPauses);
    std::printf("  longest stall %.0f ms, peak memory %lld KB\n", stall, peakKiB());
    const bool ok = f && rows == n + (n + 999) / 1000 && scanned == n && bench::filesBelow(out) == 0;
    if (f)
        f->CmdPlanClose->click();
    printResult(name, plan, scan, peakKiB(), stall);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList cases = {QStringLiteral("plan10k"), QStringLiteral("plan100k")};
    return caseMain(argc, argv, cases, [](const QString &name) {
        QTemporaryDir work(benchBase() + QStringLiteral("/fdbench-XXXXXX"));
        if (!work.isValid())
            return 1;
        return runPlan(name, name == QLatin1String("plan10k") ? 10000 : 100000, work.path());
    });
}
