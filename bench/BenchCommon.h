#pragma once
// Small helpers every benchmark program uses.
//
// Every program answers "--list" with its case names, runs one case when given
// its name (and every case, each in its own process, when given none), and each
// case prints its human lines and one machine line for bench/run_all.sh:
//   RESULT <case> <work_s> <base_s> <ratio> <peak_kib> <max_stall_ms>
#include "app/Events.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace fd::bench {

// A whole number from the environment, or def when unset or not a number.
inline long long envInt(const char *name, long long def)
{
    bool ok = false;
    const long long v = qEnvironmentVariable(name).toLongLong(&ok);
    return ok ? v : def;
}

// The folder benchmarks write into: BENCH_DIR (a tmpfs there measures the
// program's own cost without disk write-back), else the temporary folder.
inline QString benchBase() { return qEnvironmentVariable("BENCH_DIR", QDir::tempPath()); }

// Plain files anywhere below folder d.
inline long long filesBelow(const QString &d)
{
    long long n = 0;
    for (QDirIterator it(d, QDir::Files, QDirIterator::Subdirectories); it.hasNext(); it.next())
        ++n;
    return n;
}

// Peak resident memory of this process so far.
inline long long peakKiB()
{
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

// One folder of count small files named f0000000.dat on.
inline bool makeSmallFiles(const QString &folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QFile f(folder + QStringLiteral("/f%1.dat").arg(i, 7, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly) || f.write("small file\n") <= 0)
            return false;
    }
    return true;
}

inline void sh(const QString &command)
{
    QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), command});
}

// Seconds a shell command takes.
inline double shellSeconds(const QString &command)
{
    QElapsedTimer t;
    t.start();
    sh(command);
    return t.nsecsElapsed() / 1e9;
}

inline void printResult(const QString &name, double work, double base, long long peak, double stallMs)
{
    std::printf("RESULT %s %.3f %.3f %.3f %lld %.0f\n", qPrintable(name), work, base, base > 0 ? work / base : 0.0,
                peak, stallMs);
    std::fflush(stdout);
}

// The mandated one-second pauses are counted and skipped (a million files make
// a thousand of them), with one turn of the event loop in their place.
class SkippedPauses {
public:
    SkippedPauses()
    {
        setPauseHook([this](float s) {
            ++count;
            seconds += s;
            QCoreApplication::processEvents();
        });
    }
    ~SkippedPauses() { setPauseHook({}); }
    SkippedPauses(const SkippedPauses &) = delete;
    SkippedPauses &operator=(const SkippedPauses &) = delete;
    int count = 0;
    double seconds = 0;
};

// Longest gap between ticks of a 5 ms timer while it runs: how long the window
// went without processing its messages.
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

// Runs each case in a fresh process of this program (so peak memory is the
// case's own); non-zero when one failed.
inline int runCasesApart(const QStringList &cases)
{
    int rc = 0;
    for (const QString &c : cases) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(QCoreApplication::applicationFilePath(), {c});
        p.waitForFinished(-1);
        if (p.exitCode() != 0) {
            std::printf("%-13s FAILED (exit %d)\n", qPrintable(c), p.exitCode());
            rc = 1;
        }
    }
    return rc;
}

// The usual command line: "--list" prints the cases, a case name runs that
// case here, nothing runs every case apart (defaults, when given, instead of all).
inline int caseMain(int argc, char **argv, const QStringList &cases,
                    const std::function<int(const QString &)> &runOne, const QStringList &defaults = {})
{
    const QString arg = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (arg == QLatin1String("--list")) {
        for (const QString &c : cases)
            std::printf("%s\n", qPrintable(c));
        return 0;
    }
    if (!arg.isEmpty()) {
        if (!cases.contains(arg)) {
            std::fprintf(stderr, "unknown case %s\n", argv[1]);
            return 2;
        }
        return runOne(arg);
    }
    return runCasesApart(defaults.isEmpty() ? cases : defaults);
}

} // namespace fd::bench
