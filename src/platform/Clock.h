#pragma once
// The clock, the process-wide random generator and the timer scale are single
// replaceable points, so tests can move time and get repeatable draws.
#include <QDateTime>
#include <QTime>

namespace fd {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Seconds since midnight, with fractions.
    double secondsSinceMidnight() const;
};

Clock &clock();
void setClock(Clock *c); // not owned; nullptr restores the system clock

class Random {
public:
    virtual ~Random() = default;
    virtual double next() = 0; // uniform in [0, 1)
};

Random &random();
void setRandom(Random *r); // not owned; nullptr restores the default generator
// Restarts the default generator at its fixed seed.
void resetDefaultRandom();
// Shortcut for random().next().
double rnd();

// Milliseconds a timer waits per second of its setting; tests shrink it so that
// no test waits real seconds.
int timerMsPerSecond();
void setTimerMsPerSecond(int ms); // 0 or less restores 1000

} // namespace fd
