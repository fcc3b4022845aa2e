// Benchmarks of the rules that read folder listings: same-content dispatch and the
// traditional-character sweep, through the real window, headless, each against a
// plain cp (or mv) of the same files in the same run.
//
//   bench_listing                all cases, each in its own process
//   bench_listing --list         the case names
//   bench_listing <case>         one case (same10k, sweep10k)
//
// Each case prints a human line and the machine line (see BenchCommon.h); any
// mandated pause is counted and skipped.
//
// Overrides (environment): BENCH_DIR (work folder), BENCH_FILES (10000),
// BENCH_SUBFOLDERS (1000, spread over 5 output folders).
#include "BenchCommon.h"
#include "Fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>

using namespace fd;
using namespace fd::test;
using namespace fd::bench;

namespace {

QString number(long long i) { return QString::number(13800000000LL + i); }

int runCase(const QString &name, const QString &work)
{
    const long long count = envInt("BENCH_FILES", 10000);
    const long long subs = qMax(5LL, envInt("BENCH_SUBFOLDERS", 1000));
    const bool same = name == QLatin1String("same10k");
    const QString in = work + QStringLiteral("/in"), out = work + QStringLiteral("/out"),
                  base = work + QStringLiteral("/baseline");
    QDir().mkpath(in);
    QDir().mkpath(out);
    for (long long i = 0; i < count; ++i) {
        // Sweep: every second name is written in traditional characters.
        const QString n = same ? QStringLiteral("客户%1_%2.jpg").arg(number(i % subs)).arg(i)
                               : QStringLiteral("%1料%2.jpg").arg(i % 2 ? QStringLiteral("資") : QStringLiteral("资")).arg(i);
        if (!writeFile(in + QLatin1Char('/') + n, QByteArray(4096, char(i))))
            qFatal("cannot write test data");
    }
    QProcess::execute(QStringLiteral("sync"), {});

    WindowFixture fx(true);
    FDispatch &w = fx.w();
    fx.shell.setAutoOk(true);
    w.Combo1->setEditText(QStringLiteral("*.*"));
    w.LDir->setCaption(in);
    w.LDirOut->setCaption(out);
    QCoreApplication::processEvents();
    double baseline = 0;
    if (same) {
        for (int k = 0; k < 5; ++k) {
            const QString folder = out + QStringLiteral("/o%1").arg(k + 1);
            for (long long j = k; j < subs; j += 5)
                QDir().mkpath(folder + QStringLiteral("/号码") + number(j));
            w.appendOutputRow(folder, QFileInfo(folder).fileName());
        }
        setOption(w.Opt3, true);
        w.ChSame->setEnabled(true);
        w.ChSame->setChecked(true);
        baseline = shellSeconds(QStringLiteral("mkdir -p '%2' && cp -r '%1'/. '%2'/ && sync").arg(in, base));
        QDir(base).removeRecursively();
    } else {
        // mv to a copy of the folder and back again, so the sweep finds them in place.
        baseline = shellSeconds(
            QStringLiteral("mkdir -p '%2' && find '%1' -maxdepth 1 -type f -exec mv -t '%2' {} + && sync").arg(in, base));
        QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"),
                                                 QStringLiteral("find '%2' -maxdepth 1 -type f -exec mv -t '%1' {} +").arg(in, base)});
        w.ChFJ->setChecked(true);
        fx.shell.answerInput(QStringLiteral("0"));
        fx.shell.answerInput(QString());
    }
    w.ChProg->setChecked(false);

    SkippedPauses pauses;
    StallProbe probe;
    QElapsedTimer t;
    probe.start();
    t.start();
    w.CmdDo_Click();
    const double stallMs = probe.stopMs();
    QProcess::execute(QStringLiteral("sync"), {});
    const double wall = t.nsecsElapsed() / 1e9;
    const long long placed = filesBelow(out);
    const long long want = same ? count : count / 2;
    std::printf("%-9s files=%lld subfolders=%lld wall=%.2fs %s=%.2fs ratio=%.1f files/s=%.0f peak=%lldKiB "
                "stall=%.0fms pauses=%d skipped placed=%lld\n",
                qPrintable(name), count, same ? subs : 0, wall, same ? "cp" : "mv", baseline,
                baseline > 0 ? wall / baseline : 0.0, wall > 0 ? count / wall : 0.0, peakKiB(), stallMs, pauses.count,
                placed);
    printResult(name, wall, baseline, peakKiB(), stallMs);
    return placed == want ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return caseMain(argc, argv, {QStringLiteral("same10k"), QStringLiteral("sweep10k")}, [](const QString &name) {
        QTemporaryDir work(benchBase() + QStringLiteral("/fdbench-XXXXXX"));
        return runCase(name, work.path());
    });
}
