#pragma once
// Small helpers every benchmark program uses.
#include <QCoreApplication>
#include <QDirIterator>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <QString>
#include <sys/resource.h>

namespace fd::bench {

// A whole number from the environment, or def when unset or not a number.
inline long long envInt(const char *name, long long def)
{
    bool ok = false;
    const long long v = qEnvironmentVariable(name).toLongLong(&ok);
    return ok ? v : def;
}

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

} // namespace fd::bench
