// Dispatch benchmarks through the real window, headless, with scripted answers.
// Each case copies the same files with cp in the same process as the baseline.
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
// how long the window went without processing its messages.
//
// Overrides (environment): BENCH_DIR (work folder, default a temporary one),
// BENCH_FILES (10000), BENCH_MANY (100000), BENCH_SMALL_KB (4), BENCH_PREPARED
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

void sh(const QString &command) { QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command}); }

// Everything written so far reaches the disk before a side is timed.
void settle() { sh(QStringLiteral("sync")); }

double cpSeconds(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    settle();
    QElapsedTimer t;
    t.start();
    sh(QStringLiteral("cp -r \"%1\"/. \"%2\"/ && sync -f \"%2\"").arg(from, to));
    return t.nsecsElapsed() / 1e9;
}

// Longest gap between the ticks of a 5 ms timer while it runs.
class StallProbe {
public:
    StallProbe()
    {
        timer_.setInterval(5);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start()
    {
        clock_.start();
        last_ = 0;
        worst_ = 0;
        timer_.start();
    }
    double stopMs()
    {
        tick();
        timer_.stop();
        return worst_ / 1e6;
    }

private:
    void tick()
    {
        const qint64 now = clock_.nsecsElapsed();
        if (now - last_ > 40000000 && qEnvironmentVariableIsSet("BENCH_TRACE"))
            std::fprintf(stderr, "STALL %lld ms ending at %lld ms\n", (now - last_) / 1000000, now / 1000000);
        worst_ = qMax(worst_, now - last_);
        last_ = now;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0, worst_ = 0;
};

struct Case {
    const char *name;
    enum Kind { Random, Numeric, Prepared, Big, Move, Named } kind;
    bool many; // BENCH_MANY files instead of BENCH_FILES
};

const Case kCases[] = {
    {"random10k", Case::Random, false},   {"numeric10k", Case::Numeric, false},
    {"prepared2001", Case::Prepared, false}, {"move", Case::Move, false},
    {"named10k", Case::Named, false},     {"big", Case::Big, false},
    {"random100k", Case::Random, true},   {"numeric100k", Case::Numeric, true},
};

int runCase(const Case &c, const QString &work)
{
    const QString name = QString::fromLatin1(c.name);
    const long long smallKb = envInt("BENCH_SMALL_KB", 4);
    long long count = c.many ? envInt("BENCH_MANY", 100000) : envInt("BENCH_FILES", 10000);
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
    // A move empties its input: cp gets a copy of its own.
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

    // The pauses the program makes on purpose are timed apart from the work.
    double paused = 0;
    auto timedPause = [&](float s) {
        QElapsedTimer pt;
        pt.start();
        PauseSeconds(s);
        paused += pt.nsecsElapsed() / 1e9;
    };
    setPauseHook(timedPause);

    double cp = 0;
    const bool cpFirst = envInt("BENCH_CP_FIRST", 0) != 0;
    if (cpFirst)
        cp = cpSeconds(cpIn, cpOut);

    settle();
    StallProbe probe;
    QElapsedTimer t;
    probe.start();
    t.start();
    w.CmdDo_Click();
    const double stallMs = probe.stopMs();
    sh(QStringLiteral("sync -f \"%1\"").arg(out));
    const double wall = t.nsecsElapsed() / 1e9;

    if (!cpFirst)
        cp = cpSeconds(cpIn, cpOut);

    const double busy = wall - paused;
    const long long placed = filesBelow(out);
    const long long leftIn = filesBelow(in);
    const long long peak = peakKiB();
    std::printf("%-13s files=%lld size=%lldB wall=%.2fs pauses=%.0fs work=%.2fs cp=%.2fs ratio(work/cp)=%.2f "
                "peak=%lldKiB stall=%.0fms placed=%lld left=%lld%s\n",
                c.name, count, bytes, wall, paused, busy, cp, cp > 0 ? busy / cp : 0.0, peak, stallMs, placed,
                leftIn, cpFirst ? " (cp first)" : "");
    std::printf("RESULT %s %.3f %.3f %.3f %lld %.0f\n", c.name, busy, cp, cp > 0 ? busy / cp : 0.0, peak,
                stallMs);
    std::fflush(stdout);
    const bool ok = move ? (placed == count && leftIn == 0) : placed == count;
    return ok ? 0 : 1;
}

const Case *findCase(const QString &name)
{
    for (const Case &c : kCases)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString base = qEnvironmentVariable("BENCH_DIR", QDir::tempPath());
    if (argc > 1 && QLatin1String(argv[1]) == QLatin1String("--list")) {
        for (const Case &c : kCases)
            std::printf("%s\n", c.name);
        return 0;
    }
    if (argc > 1) {
        const Case *c = findCase(QString::fromLocal8Bit(argv[1]));
        if (!c) {
            std::fprintf(stderr, "unknown case %s\n", argv[1]);
            return 2;
        }
        QTemporaryDir work(base + QStringLiteral("/fdbench-XXXXXX"));
        return runCase(*c, work.path());
    }
    QStringList cases;
    for (const Case &c : kCases)
        cases << QString::fromLatin1(c.name);
    const long long bigNeed = envInt("BENCH_BIG_COUNT", 3) * envInt("BENCH_BIG_MB", 512) * 1024 * 1024 * 3;
    const long long freeBytes = QStorageInfo(base).bytesAvailable();
    const long long bigWanted = envInt("BENCH_BIG", -1);
    if (!(bigWanted == 1 || (bigWanted == -1 && freeBytes > 2 * bigNeed))) {
        cases.removeAll(QStringLiteral("big"));
        std::printf("big           skipped: %lld MiB free, %lld MiB needed (BENCH_BIG=1 forces it)\n",
                    freeBytes >> 20, bigNeed >> 20);
    }
    return runCasesApart(cases);
}
