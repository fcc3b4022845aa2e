// Dispatch benchmarks through the real window, headless, with scripted answers.
// Each case copies the same files with cp in the same process as the baseline
// (the move case moves them with mv).
// Both sides write into fresh folder trees of their own (a tree emptied just
// before makes ext4 search for free inodes, which would tax whichever side
// comes second); which side goes first alternates with BENCH_CP_FIRST.
//
//   bench_dispatch                 all cases, each in its own process
//   bench_dispatch --list          the case names
//   bench_dispatch <case>          one case
//
// Every case prints a human line and one machine line:
//   RESULT <case> <work_s> <cp_s> <ratio> <peak_kib> <max_stall_ms>
// max_stall_ms is the longest gap between ticks of a 5 ms timer during the run:
// how long the window went without processing its messages. The mandated
// one-second pauses are counted and skipped. random1m (a million files of 1 KiB)
// runs only by name; it needs a million free inodes and about 8 GiB, so BENCH_DIR
// on a tmpfs of 10 GiB suits it.
//
// Overrides (environment): BENCH_DIR (work folder, default a temporary one),
// BENCH_FILES (10000), BENCH_MANY (100000), BENCH_HUGE (1000000),
// BENCH_SMALL_KB (4; 1 for random1m), BENCH_PREPARED
// (2001), BENCH_BIG_MB (512), BENCH_BIG_COUNT (3), BENCH_BIG=0/1 (default: on
// when disk allows), BENCH_CP_FIRST=0/1 (default 0), BENCH_TRACE=1 (print every
// gap of the stall probe over 40 ms with the time it ended).
#include "BenchCommon.h"
#include "Fixture.h"
#include "catalogue/FileList.h"
#include "catalogue/Scan.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace fd;
using namespace fd::test;
using namespace fd::bench;

namespace {

void makeFiles(const QString &folder, long long count, long long bytes)
{
    QDir().mkpath(folder);
    QByteArray chunk(int(qMin<long long>(bytes, 8 << 20)), 'x');
    for (long long i = 0; i < count; ++i) {
        QFile f(folder + QStringLiteral("/IMG_%1.jpg").arg(i + 1, 5, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write test data");
        if (!chunk.isEmpty())
            chunk[0] = char(i);
        long long left = bytes;
        while (left > 0) {
            const long long n = qMin<long long>(left, chunk.size());
            f.write(chunk.constData(), n);
            left -= n;
        }
    }
}

// Everything written so far reaches the disk before a side is timed.
void settle() { sh(QStringLiteral("sync")); }

// cp of the files, or mv of them for a move: the plain tool doing the same.
double toolSeconds(const QString &from, const QString &to, bool move)
{
    QDir().mkpath(to);
    settle();
    QElapsedTimer t;
    t.start();
    if (move)
        sh(QStringLiteral("find \"%1\" -mindepth 1 -maxdepth 1 -exec mv -t \"%2\" {} + && sync -f \"%2\"").arg(from, to));
    else
        sh(QStringLiteral("cp -r \"%1\"/. \"%2\"/ && sync -f \"%2\"").arg(from, to));
    return t.nsecsElapsed() / 1e9;
}

struct Case {
    const char *name;
    enum Kind { Random, Numeric, Prepared, Big, Move, Named } kind;
    enum Size { Few, Many, Huge } size; // BENCH_FILES, BENCH_MANY or BENCH_HUGE files
};

const Case kCases[] = {
    {"random10k", Case::Random, Case::Few},       {"numeric10k", Case::Numeric, Case::Few},
    {"prepared2001", Case::Prepared, Case::Few},  {"move", Case::Move, Case::Few},
    {"named10k", Case::Named, Case::Few},         {"big", Case::Big, Case::Few},
    {"random100k", Case::Random, Case::Many},     {"numeric100k", Case::Numeric, Case::Many},
    {"random1m", Case::Random, Case::Huge},
};

int runCase(const Case &c, const QString &work)
{
    const QString name = QString::fromLatin1(c.name);
    const bool huge = c.size == Case::Huge;
    const long long smallKb = envInt("BENCH_SMALL_KB", huge ? 1 : 4);
    long long count = huge                     ? envInt("BENCH_HUGE", 1000000)
                      : c.size == Case::Many ? envInt("BENCH_MANY", 100000)
                                             : envInt("BENCH_FILES", 10000);
    long long bytes = smallKb * 1024;
    const bool numeric = c.kind == Case::Numeric, move = c.kind == Case::Move;
    const bool fixed = c.kind == Case::Big || move, named = c.kind == Case::Named;
    if (c.kind == Case::Prepared) {
        count = envInt("BENCH_PREPARED", 2001);
    } else if (c.kind == Case::Big) {
        count = envInt("BENCH_BIG_COUNT", 3);
        bytes = envInt("BENCH_BIG_MB", 512) * 1024 * 1024;
    }
    const QString in = work + QStringLiteral("/in"), out = work + QStringLiteral("/out"),
                  cpOut = work + QStringLiteral("/cp");
    makeFiles(in, count, bytes);
    // A move empties its input: mv gets a copy of its own.
    const QString cpIn = move ? work + QStringLiteral("/in-cp") : in;
    if (move)
        makeFiles(cpIn, count, bytes);
    QDir().mkpath(out);

    WindowFixture fx(true);
    FDispatch &w = fx.w();
    fx.shell.setAutoOk(true);
    w.Combo1->setEditText(QStringLiteral("*.*"));
    w.LDir->setCaption(in);
    w.LDirOut->setCaption(out);
    QCoreApplication::processEvents();
    if (named) {
        setOption(w.Opt3, true);
        w.ChFoldTrunck->setChecked(true);
        w.TNewFold->setText(QStringLiteral("\\d\\d$"));
        fx.shell.answerMessage(Answer::Ok); // continue without a preview
    } else if (fixed) {
        setOption(w.Opt1, true);
        w.TParts->setText(QString::number(qMax<long long>(1, count / 10)));
    } else {
        setOption(w.Opt2, true);
        w.TDivs->setText(QStringLiteral("10"));
    }
    w.ChNum->setChecked(numeric);
    w.ChN->setChecked(numeric);
    if (move) {
        w.ChBackUp->setChecked(true);
        fx.shell.answerMessage(Answer::Ok);
    }
    w.ChProg->setChecked(false);

    SkippedPauses pauses;
    double cp = 0;
    const bool cpFirst = envInt("BENCH_CP_FIRST", 0) != 0;
    // A million copies each side would not fit a tmpfs of usual size: each side's
    // output goes once counted.
    if (cpFirst) {
        cp = toolSeconds(cpIn, cpOut, move);
        if (huge)
            QDir(cpOut).removeRecursively();
    }

    settle();
    StallProbe probe;
    QElapsedTimer t;
    probe.start();
    t.start();
    w.CmdDo_Click();
    const double stallMs = probe.stopMs();
    sh(QStringLiteral("sync -f \"%1\"").arg(out));
    const double busy = t.nsecsElapsed() / 1e9;
    const long long placed = filesBelow(out);
    const long long leftIn = filesBelow(in);
    const long long peak = peakKiB();
    if (huge)
        QDir(out).removeRecursively();

    if (!cpFirst)
        cp = toolSeconds(cpIn, cpOut, move);

    std::printf("%-13s files=%lld size=%lldB work=%.2fs pauses=%d skipped cp=%.2fs ratio(work/cp)=%.2f "
                "peak=%lldKiB stall=%.0fms placed=%lld left=%lld%s\n",
                c.name, count, bytes, busy, pauses.count, cp, cp > 0 ? busy / cp : 0.0, peak, stallMs, placed,
                leftIn, cpFirst ? " (cp first)" : "");
    printResult(QString::fromLatin1(c.name), busy, cp, peak, stallMs);
    const bool ok = move ? (placed == count && leftIn == 0) : placed == count;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString base = benchBase();
    QStringList cases, defaults;
    for (const Case &c : kCases) {
        cases << QString::fromLatin1(c.name);
        if (c.size != Case::Huge)
            defaults << cases.last();
    }
    if (argc <= 1) {
        const long long bigNeed = envInt("BENCH_BIG_COUNT", 3) * envInt("BENCH_BIG_MB", 512) * 1024 * 1024 * 3;
        const long long freeBytes = QStorageInfo(base).bytesAvailable();
        const long long bigWanted = envInt("BENCH_BIG", -1);
        if (!(bigWanted == 1 || (bigWanted == -1 && freeBytes > 2 * bigNeed))) {
            defaults.removeAll(QStringLiteral("big"));
            std::printf("big           skipped: %lld MiB free, %lld MiB needed (BENCH_BIG=1 forces it)\n",
                        freeBytes >> 20, bigNeed >> 20);
        }
        std::printf("random1m      runs only by name\n");
    }
    return caseMain(argc, argv, cases, [&](const QString &name) {
        QTemporaryDir work(base + QStringLiteral("/fdbench-XXXXXX"));
        for (const Case &c : kCases)
            if (name == QLatin1String(c.name))
                return runCase(c, work.path());
        return 2;
    }, defaults);
}
