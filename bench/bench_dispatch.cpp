// Dispatch benchmarks through the real window, headless, with scripted answers.
// Each case copies the same files with cp in the same run as the baseline.
//
//   bench_dispatch                 all cases, each in its own process
//   bench_dispatch <case>          one case (random10k, numeric10k, prepared2001, big, move, named10k)
//
// Overrides (environment): BENCH_DIR (work folder, default a temporary one),
// BENCH_FILES (10000), BENCH_SMALL_KB (4), BENCH_PREPARED (2001),
// BENCH_BIG_MB (512), BENCH_BIG_COUNT (3), BENCH_BIG=0/1 (default: on when disk allows).
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
#include <cstdio>
#include <sys/resource.h>

using namespace fd;
using namespace fd::test;

namespace {

long long envInt(const char *name, long long def)
{
    bool ok = false;
    const long long v = qEnvironmentVariable(name).toLongLong(&ok);
    return ok ? v : def;
}

void makeFiles(const QString &folder, long long count, long long bytes)
{
    QDir().mkpath(folder);
    QByteArray chunk(int(qMin<long long>(bytes, 8 << 20)), 'x');
    for (long long i = 0; i < count; ++i) {
        QFile f(folder + QStringLiteral("/IMG_%1.jpg").arg(i + 1, 5, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write test data");
        chunk[0] = char(i);
        long long left = bytes;
        while (left > 0) {
            const long long n = qMin<long long>(left, chunk.size());
            f.write(chunk.constData(), n);
            left -= n;
        }
    }
}

long long filesBelow(const QString &d)
{
    long long n = 0;
    QDirIterator it(d, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++n;
    }
    return n;
}

double cpSeconds(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QElapsedTimer t;
    t.start();
    QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cp -r \"%1\"/. \"%2\"/ && sync -f \"%2\"").arg(from, to)});
    return t.nsecsElapsed() / 1e9;
}

long long peakKiB()
{
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss;
}

int runCase(const QString &name, const QString &work)
{
    const long long smallKb = envInt("BENCH_SMALL_KB", 4);
    long long count = envInt("BENCH_FILES", 10000);
    long long bytes = smallKb * 1024;
    bool numeric = false, move = false, fixed = false, named = false;
    if (name == QLatin1String("prepared2001")) {
        count = envInt("BENCH_PREPARED", 2001);
    } else if (name == QLatin1String("numeric10k")) {
        numeric = true;
    } else if (name == QLatin1String("big")) {
        count = envInt("BENCH_BIG_COUNT", 3);
        bytes = envInt("BENCH_BIG_MB", 512) * 1024 * 1024;
        fixed = true;
    } else if (name == QLatin1String("move")) {
        move = true;
        fixed = true;
    } else if (name == QLatin1String("named10k")) {
        named = true; // about 100 folders named from the last two digits
    } else if (name != QLatin1String("random10k")) {
        std::fprintf(stderr, "unknown case %s\n", qPrintable(name));
        return 2;
    }
    const QString in = work + QStringLiteral("/in"), out = work + QStringLiteral("/out"),
                  cpOut = work + QStringLiteral("/cp");
    makeFiles(in, count, bytes);
    QProcess::execute(QStringLiteral("sync"), {});
    const double cp = cpSeconds(in, cpOut);
    QDir(cpOut).removeRecursively();
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

    QElapsedTimer t;
    t.start();
    w.CmdDo_Click();
    QProcess::execute(QStringLiteral("sync"), {});
    const double wall = t.nsecsElapsed() / 1e9;

    const double pauses = paused;
    const long long placed = filesBelow(out);
    const long long leftIn = filesBelow(in);
    std::printf("%-13s files=%lld size=%lldB wall=%.2fs pauses=%.0fs work=%.2fs cp=%.2fs ratio(work/cp)=%.1f "
                "peak=%lldKiB placed=%lld left=%lld\n",
                qPrintable(name), count, bytes, wall, pauses, wall - pauses, cp,
                cp > 0 ? (wall - pauses) / cp : 0.0, peakKiB(), placed, leftIn);
    std::fflush(stdout);
    const bool ok = move ? (placed == count && leftIn == 0) : placed == count;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString base = qEnvironmentVariable("BENCH_DIR", QDir::tempPath());
    if (argc > 1) {
        QTemporaryDir work(base + QStringLiteral("/fdbench-XXXXXX"));
        return runCase(QString::fromLocal8Bit(argv[1]), work.path());
    }
    QStringList cases{QStringLiteral("random10k"), QStringLiteral("numeric10k"), QStringLiteral("prepared2001"),
                      QStringLiteral("move"), QStringLiteral("named10k")};
    const long long bigNeed = envInt("BENCH_BIG_COUNT", 3) * envInt("BENCH_BIG_MB", 512) * 1024 * 1024 * 3;
    const long long freeBytes = QStorageInfo(base).bytesAvailable();
    const long long bigWanted = envInt("BENCH_BIG", -1);
    if (bigWanted == 1 || (bigWanted == -1 && freeBytes > 2 * bigNeed))
        cases << QStringLiteral("big");
    else
        std::printf("big           skipped: %lld MiB free, %lld MiB needed (BENCH_BIG=1 forces it)\n",
                    freeBytes >> 20, bigNeed >> 20);
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
