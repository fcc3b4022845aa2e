#pragma once
// Small helpers every benchmark program uses.
#include <QDirIterator>
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

} // namespace fd::bench
