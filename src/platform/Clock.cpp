#include "platform/Clock.h"

#include <random>

namespace fd {

double Clock::secondsSinceMidnight() const
{
    const QTime t = now().time();
    return t.msecsSinceStartOfDay() / 1000.0;
}

namespace {
class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// Fixed seed: every start of the program draws the same sequence.
class DefaultRandom : public Random {
public:
    double next() override { return dist(gen); }
    void reset() { gen.seed(kSeed); dist.reset(); }
    static constexpr unsigned kSeed = 20240101u;
    std::mt19937_64 gen{kSeed};
    std::uniform_real_distribution<double> dist{0.0, 1.0};
};

SystemClock g_systemClock;
Clock *g_clock = nullptr;
DefaultRandom g_defaultRandom;
Random *g_random = nullptr;
} // namespace

Clock &clock() { return g_clock ? *g_clock : g_systemClock; }
void setClock(Clock *c) { g_clock = c; }

Random &random() { return g_random ? *g_random : g_defaultRandom; }
void setRandom(Random *r) { g_random = r; }
void resetDefaultRandom() { g_defaultRandom.reset(); }
double rnd() { return random().next(); }

namespace {
int g_timerMsPerSecond = 1000;
} // namespace

int timerMsPerSecond() { return g_timerMsPerSecond; }
void setTimerMsPerSecond(int ms) { g_timerMsPerSecond = ms > 0 ? ms : 1000; }

} // namespace fd
